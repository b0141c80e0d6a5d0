// The Details button of page 1 opens the backup details dialog for the
// service selected in the services list. The button stays hidden, so in
// ordinary use nothing reaches here.
#include "selection/DetailsCommand.h"
#include "selection/RestorePropertyPage1.h"

void CRestorePropertyPage1::OnDetails() {
  selection::RunServiceDetails(catalogue_, backupTree_, servicesList_);
}
