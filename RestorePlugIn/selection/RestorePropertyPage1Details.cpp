// The Details button of page 1 opens the backup details dialog for the
// service selected in the services list. The dialog is not part of the
// module yet; the button stays hidden, so nothing reaches here in use.
#include "selection/RestorePropertyPage1.h"

void CRestorePropertyPage1::OnDetails() {}
