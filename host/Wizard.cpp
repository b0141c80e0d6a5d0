// The wizard's frame window and the course of a tool's pages.
#include "Wizard.h"

#include <algorithm>

#include "PageDriver.h"
#include "RestorePageControls.h"
#include "RestorePlugIn.h"
#include "WizardWindow.h"
#include "comlib/Bstr.h"
#include "comlib/ControlText.h"
#include "comlib/PropertyPage.h"
#include "comlib/StatusText.h"

namespace host {
namespace wizard {

namespace {

const wchar_t kFrameClass[] = L"ZelWizardHost";

}  // namespace

std::wstring TakeText(HRESULT hr, BSTR text) {
  comlib::Bstr owned = comlib::Bstr::Attach(text);
  return SUCCEEDED(hr) ? owned.str() : std::wstring();
}

std::wstring StatusText(HRESULT hr) {
  wchar_t buffer[16];
  wsprintfW(buffer, L"0x%08X", static_cast<unsigned>(hr));
  return buffer;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wstring line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      lines.push_back(line);
      line.clear();
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      line += text[i];
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::wstring ComputerName() {
  wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(buffer, &size) ? std::wstring(buffer, size) : std::wstring();
}

void Wizard::Say(const std::wstring& line) {
  if (options_.output) options_.output(line);
}

void Wizard::End(Outcome outcome) {
  outcome_ = outcome;
  done_ = true;
  if (frame_) ::PostMessageW(frame_, WM_NULL, 0, 0);
}

Outcome Wizard::Run() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {sizeof wc};
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFrameClass;
  ::RegisterClassExW(&wc);  // fails harmlessly when registered by an earlier run

  // Laid out for the screen's DPI, as the pages' dialog units are.
  if (HDC screen = ::GetDC(nullptr)) {
    dpi_ = std::max(96, ::GetDeviceCaps(screen, LOGPIXELSY));
    ::ReleaseDC(nullptr, screen);
  }
  // Tahoma 8 points, the pages' font; the title at 10 points.
  font_ = ::CreateFontW(-::MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                        L"Tahoma");
  bold_ = ::CreateFontW(-::MulDiv(10, dpi_, 72), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                        L"Tahoma");
  area_ = {Scaled(480), Scaled(340)};
  sink_ = nullptr;
  MessageSink* sink = nullptr;
  PageSite* site = nullptr;
  if (FAILED(comlib::ComObject<MessageSink>::Create(&sink)) ||
      FAILED(comlib::ComObject<PageSite>::Create(&site))) {
    if (sink) sink->Release();
    return Outcome::Failed;
  }
  sink_ = comlib::ComPtr<MessageSink>::Attach(sink);
  site_ = comlib::ComPtr<PageSite>::Attach(site);
  sink_->SetHandler([this](long kind, const std::wstring& text) { OnAddMessage(kind, text); });

  frame_ = ::CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME, kFrameClass,
                             L"Backup and Restore Wizard",
                             WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0, 0, 100,
                             100, nullptr, nullptr, instance, this);
  if (!frame_) return Outcome::Failed;
  CreateControls();
  Layout();
  ::ShowWindow(frame_, SW_SHOW);
  if (unattended_) {
    running_ = this;
    hook_ = ::SetWindowsHookExW(WH_CBT, BoxHook, nullptr, ::GetCurrentThreadId());
  }
  ::PostMessageW(frame_, WM_APP_START, 0, 0);
  MSG msg;
  while (!done_ && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageW(frame_, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  TearDown();
  return outcome_;
}

void Wizard::EndSession() {
  for (auto& entry : pages_) {
    entry.second.page->Deactivate();
    entry.second.page->SetObjects(0, nullptr);
    entry.second.page->SetPageSite(nullptr);
  }
  pages_.clear();
  session_.Reset();
  tool_ = nullptr;
}

void Wizard::TearDown() {
  if (hook_) {
    ::UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
    running_ = nullptr;
  }
  EndSession();
  tools_.clear();
  if (frame_) {
    ::DestroyWindow(frame_);
    frame_ = nullptr;
  }
  if (images_) ::ImageList_Destroy(images_);
  images_ = nullptr;
  if (font_) ::DeleteObject(font_);
  if (bold_) ::DeleteObject(bold_);
  font_ = bold_ = nullptr;
  if (sink_) sink_->SetHandler(nullptr);
  sink_.Reset();
  site_.Reset();
}

LRESULT CALLBACK Wizard::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto self = reinterpret_cast<Wizard*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self && self->frame_ == window) {
    try {
      return self->OnMessage(message, wParam, lParam);
    } catch (...) {
      self->Say(L"Host failure");
      self->End(Outcome::Failed);
      return 0;
    }
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Wizard::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_APP_START:
      Start();
      return 0;
    case WM_APP_DRIVE:
      OnDrive();
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDC_NEXT:
          if (::IsWindowEnabled(::GetDlgItem(frame_, IDC_NEXT))) OnNext();
          return 0;
        case IDC_BACK:
          if (::IsWindowEnabled(::GetDlgItem(frame_, IDC_BACK))) OnBack();
          return 0;
        case IDCANCEL:
          if (::IsWindowEnabled(::GetDlgItem(frame_, IDCANCEL))) OnCancel();
          return 0;
        case IDC_SAVE:
          OnSaveClicked();
          return 0;
      }
      break;
    case WM_NOTIFY: {
      auto header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom == IDC_TOOLS && header->code == NM_DBLCLK) OnNext();
      break;
    }
    case WM_CLOSE:
      if (::IsWindowEnabled(::GetDlgItem(frame_, IDCANCEL))) OnCancel();
      return 0;
    case WM_ACTIVATE:
      // Back in the wizard, the focus returns where it was.
      if (LOWORD(wParam) == WA_INACTIVE) {
        focus_ = ::GetFocus();
      } else if (focus_ && ::IsWindow(focus_) && ::IsWindowVisible(focus_) && ::IsChild(frame_, focus_)) {
        ::SetFocus(focus_);
        return 0;
      }
      break;
  }
  return ::DefWindowProcW(frame_, message, wParam, lParam);
}

void Wizard::CreateControls() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  auto make = [&](DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
    HWND w = ::CreateWindowExW(exStyle, cls, text, WS_CHILD | style, 0, 0, 10, 10, frame_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    ::SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(id == IDC_TITLE ? bold_ : font_), FALSE);
    return w;
  };
  // Creation order is the tab order: the step's content from the top, then
  // the buttons from the left. Pages go in after the content (OpenPage).
  make(0, L"STATIC", L"", WS_VISIBLE | SS_NOPREFIX, IDC_TITLE);
  make(0, L"STATIC", L"", WS_VISIBLE | SS_NOPREFIX, IDC_DESCRIPTION);
  HWND tools = make(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                    WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, IDC_TOOLS);
  ::SendMessageW(tools, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  make(WS_EX_CLIENTEDGE, L"EDIT", L"",
       WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, IDC_SUMMARY);
  make(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT,
       IDC_PROGRESS);
  make(0, L"STATIC", L"Errors:", SS_NOPREFIX, IDC_ERRORS_LABEL);
  make(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT,
       IDC_ERRORS);
  make(0, L"BUTTON", L"&Save answers...", WS_TABSTOP | BS_PUSHBUTTON, IDC_SAVE);
  make(0, L"BUTTON", L"< &Back", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IDC_BACK);
  make(0, L"BUTTON", L"&Next >", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDC_NEXT);
  make(0, L"BUTTON", L"Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL);
}

RECT Wizard::PageArea() const {
  const int margin = Scaled(kMargin);
  const int top = Scaled(kHeader) + margin;
  return {margin, top, margin + area_.cx, top + area_.cy};
}

void Wizard::Layout() {
  const int margin = Scaled(kMargin);
  const int header = Scaled(kHeader);
  const int buttonWidth = Scaled(kButtonWidth);
  const int buttonHeight = Scaled(kButtonHeight);
  const int width = area_.cx + 2 * margin;
  const int areaTop = header + margin;
  const int buttonsTop = areaTop + area_.cy + margin;
  const int height = buttonsTop + buttonHeight + margin;
  RECT frame = {0, 0, width, height};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(frame_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(frame_, GWL_EXSTYLE)));
  const int outerWidth = frame.right - frame.left;
  const int outerHeight = frame.bottom - frame.top;
  // Opens centred on the screen; grown later for a larger page, it keeps its
  // centre where the person left it.
  RECT now = {};
  ::GetWindowRect(frame_, &now);
  POINT centre = {(now.left + now.right) / 2, (now.top + now.bottom) / 2};
  MONITORINFO monitor = {sizeof monitor};
  ::GetMonitorInfoW(::MonitorFromWindow(frame_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  if (!::IsWindowVisible(frame_)) centre = {(work.left + work.right) / 2, (work.top + work.bottom) / 2};
  const int left = std::max<int>(work.left, std::min<int>(centre.x - outerWidth / 2, work.right - outerWidth));
  const int top = std::max<int>(work.top, std::min<int>(centre.y - outerHeight / 2, work.bottom - outerHeight));
  ::SetWindowPos(frame_, nullptr, left, top, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  auto place = [&](int id, int x, int y, int w, int h) {
    ::MoveWindow(::GetDlgItem(frame_, id), x, y, w, h, TRUE);
  };
  const int line = Scaled(14);
  place(IDC_TITLE, margin, Scaled(10), area_.cx, Scaled(18));
  place(IDC_DESCRIPTION, margin + Scaled(8), Scaled(30), area_.cx - Scaled(8), header - Scaled(30));
  place(IDC_TOOLS, margin, areaTop, area_.cx, area_.cy);
  place(IDC_SUMMARY, margin, areaTop, area_.cx, area_.cy);
  const int errorsHeight = area_.cy / 4;
  place(IDC_PROGRESS, margin, areaTop, area_.cx, area_.cy - errorsHeight - line - Scaled(6));
  place(IDC_ERRORS_LABEL, margin, areaTop + area_.cy - errorsHeight - line - Scaled(2), area_.cx, line);
  place(IDC_ERRORS, margin, areaTop + area_.cy - errorsHeight, area_.cx, errorsHeight);
  int x = width - margin - buttonWidth;
  place(IDCANCEL, x, buttonsTop, buttonWidth, buttonHeight);
  x -= buttonWidth + Scaled(10);
  place(IDC_NEXT, x, buttonsTop, buttonWidth, buttonHeight);
  x -= buttonWidth;
  place(IDC_BACK, x, buttonsTop, buttonWidth, buttonHeight);
  place(IDC_SAVE, margin, buttonsTop, buttonWidth + Scaled(30), buttonHeight);
  const RECT area = PageArea();
  for (auto& entry : pages_) entry.second.page->Move(&area);
}

void Wizard::SetHeader(const std::wstring& title, const std::wstring& description) {
  ::SetDlgItemTextW(frame_, IDC_TITLE, title.c_str());
  ::SetDlgItemTextW(frame_, IDC_DESCRIPTION, description.c_str());
}

// Shows the controls of the current step and sets the buttons.
void Wizard::ShowStep() {
  const Step step = flow_.step();
  auto show = [&](int id, bool visible) {
    ::ShowWindow(::GetDlgItem(frame_, id), visible ? SW_SHOW : SW_HIDE);
  };
  show(IDC_TOOLS, step == Step::Tools);
  show(IDC_SUMMARY, step == Step::Summary);
  show(IDC_SAVE, step == Step::Summary);
  const bool progress = step == Step::Progress || step == Step::Done;
  show(IDC_PROGRESS, progress);
  show(IDC_ERRORS_LABEL, progress);
  show(IDC_ERRORS, progress);
  const Buttons buttons = flow_.buttons();
  ::EnableWindow(::GetDlgItem(frame_, IDC_BACK), buttons.back);
  ::EnableWindow(::GetDlgItem(frame_, IDC_NEXT), buttons.next);
  ::EnableWindow(::GetDlgItem(frame_, IDCANCEL), buttons.cancel);
  ::SetDlgItemTextW(frame_, IDC_NEXT, buttons.nextText.c_str());
  ::SetDlgItemTextW(frame_, IDCANCEL, buttons.cancelText.c_str());
  // A step of the host's own starts with the focus in its content; a page
  // places it itself when shown.
  const int content = step == Step::Tools ? IDC_TOOLS : step == Step::Summary ? IDC_SUMMARY : 0;
  const HWND focus = ::GetFocus();
  if (content && ::GetActiveWindow() == frame_ && (!focus || !::IsWindowEnabled(focus) || !::IsWindowVisible(focus) ||
                                                   ::GetParent(focus) != frame_))
    ::SetFocus(::GetDlgItem(frame_, content));
}

void Wizard::Start() {
  if (unattended_) SeedFolders();
  if (!FillTools()) return;
  ShowStep();
  SetHeader(L"Choose a tool", L"The tools of the backup and restore wizard, in their order.");
  if (unattended_) BeginAnsweredTool();
}

bool Wizard::FillTools() {
  const HRESULT hr = FindTools(&tools_);
  if (FAILED(hr)) {
    Say(L"The component categories cannot be read: " + StatusText(hr));
    End(Outcome::NoTool);
    return false;
  }
  const HWND list = ::GetDlgItem(frame_, IDC_TOOLS);
  images_ = ::ImageList_Create(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), ILC_COLOR32 | ILC_MASK, static_cast<int>(tools_.size()), 1);
  ::SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_));
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = Scaled(150);
  column.pszText = const_cast<wchar_t*>(L"Tool");
  ::SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  column.cx = area_.cx - Scaled(150 + 24);
  column.pszText = const_cast<wchar_t*>(L"Description");
  ::SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
  Say(L"Tools:");
  int row = 0;
  for (const Tool& tool : tools_) {
    transcript_->tools.push_back(tool.info);
    Say(L"  " + std::to_wstring(tool.info.order) + L"  " + tool.info.name + L" - " +
        tool.info.description + (tool.info.permitted ? L"" : L" (not permitted)"));
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.iImage = tool.icon ? ::ImageList_AddIcon(images_, tool.icon.get()) : -1;
    item.pszText = const_cast<wchar_t*>(tool.info.name.c_str());
    ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    std::wstring description =
        tool.info.description + (tool.info.permitted ? L"" : L" (not permitted)");
    item.iSubItem = 1;
    item.pszText = &description[0];
    ::SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    ++row;
  }
  if (row > 0) {
    LVITEMW state = {};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  }
  if (tools_.empty()) {
    Say(L"No tool is registered for the wizard.");
    if (unattended_) {
      End(Outcome::NoTool);
      return false;
    }
  }
  return true;
}

bool Wizard::BeginTool(const Tool& tool) {
  if (!tool.info.permitted) {
    Say(L"Not permitted: the restore is not permitted for this user.");
    if (unattended_) End(Outcome::NotPermitted);
    else Ask(L"You are not permitted to run this tool.", tool.info.name, MB_ICONWARNING);
    return false;
  }
  CLSID sessionClass = {};
  LONG value = 0;
  HRESULT hr = tool.control->GetModuleClsid(&sessionClass, &value);
  if (SUCCEEDED(hr))
    hr = ::CoCreateInstance(sessionClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, session_.PutVoid());
  comlib::ComPtr<IZelCWPropertyPageContainer> container;
  if (SUCCEEDED(hr)) hr = session_.As(&container);
  CLSID first = {};
  if (SUCCEEDED(hr)) hr = container->GetFirstPage(&first);
  if (FAILED(hr)) {
    Say(L"The tool's session cannot be created: " + StatusText(hr));
    session_.Reset();
    End(Outcome::Failed);
    return false;
  }
  tool_ = &tool;
  recorded_.tool = tool.info.name;
  ::SetWindowTextW(frame_, (L"Backup and Restore Wizard - " + tool.info.name).c_str());
  flow_.Begin(first);
  EnterPage();
  return true;
}

Page* Wizard::CurrentPage() {
  if (flow_.step() != Step::Page && flow_.step() != Step::Summary) return nullptr;
  wchar_t key[40];
  ::StringFromGUID2(flow_.currentPage(), key, 40);
  auto it = pages_.find(key);
  return it == pages_.end() ? nullptr : &it->second;
}

// Creates a page the first time it is reached; its window lives until the
// wizard ends, so going back keeps what was entered.
Page* Wizard::OpenPage(const CLSID& clsid) {
  wchar_t key[40];
  ::StringFromGUID2(clsid, key, 40);
  auto it = pages_.find(key);
  if (it != pages_.end()) return &it->second;
  Page page;
  HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                  page.page.PutVoid());
  if (SUCCEEDED(hr)) hr = page.page.As(&page.adaption);
  if (FAILED(hr)) {
    Say(std::wstring(L"The page ") + key + L" cannot be created: " + StatusText(hr));
    return nullptr;
  }
  comlib::ComPtr<IZelCWPageDescription> description;
  if (SUCCEEDED(page.page.As(&description))) {
    BSTR text = nullptr;
    hr = description->GetPageDescription(&text);
    page.description = TakeText(hr, text);
  }
  page.page->SetPageSite(site_.Get());
  IUnknown* objects[] = {session_.Get()};
  page.page->SetObjects(1, objects);
  PROPPAGEINFO info = {sizeof info};
  if (SUCCEEDED(page.page->GetPageInfo(&info))) {
    if (info.pszTitle) page.title = info.pszTitle;
    ::CoTaskMemFree(info.pszTitle);
    ::CoTaskMemFree(info.pszDocString);
    ::CoTaskMemFree(info.pszHelpFile);
    if (info.size.cx > area_.cx || info.size.cy > area_.cy) {
      area_.cx = std::max(area_.cx, info.size.cx);
      area_.cy = std::max(area_.cy, info.size.cy);
      Layout();
    }
  }
  std::vector<HWND> before;
  for (HWND child = ::GetWindow(frame_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    before.push_back(child);
  const RECT rect = PageArea();
  hr = page.page->Activate(frame_, &rect, FALSE);
  if (FAILED(hr)) {
    Say(L"The page " + page.title + L" cannot be shown: " + StatusText(hr));
    page.page->SetObjects(0, nullptr);
    return nullptr;
  }
  for (HWND child = ::GetWindow(frame_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    if (std::find(before.begin(), before.end(), child) == before.end()) page.window = child;
  // Between the step's content and the buttons, so Tab goes through the
  // page's controls first, as they are seen.
  if (page.window)
    ::SetWindowPos(page.window, ::GetDlgItem(frame_, IDC_ERRORS), 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return &pages_.emplace(key, std::move(page)).first->second;
}

void Wizard::EnterPage() {
  Page* page = OpenPage(flow_.currentPage());
  if (!page) {
    End(Outcome::Failed);
    return;
  }
  lastPageKey_.clear();
  ShowStep();
  SetHeader(PageHeading(flow_.pageIndex(), page->title), page->description);
  page->page->Show(SW_SHOW);
  // A person starts on the page's first control; an unattended run picks
  // only what its answers name.
  if (!unattended_) comlib::FocusFirstControl(page->window);
  page->adaption->SetMessageSink(static_cast<IZelCWMessageSink*>(sink_.Get()));
  LONG result = 0;
  page->adaption->ActivatePage(&result);
  transcript_->pages.push_back(page->title);
  if (unattended_) {
    Say(L"Page: " + page->title);
    ::PostMessageW(frame_, WM_APP_DRIVE, 0, 0);
  }
}

void Wizard::LeavePage() {
  if (Page* page = CurrentPage()) page->page->Show(SW_HIDE);
}

void Wizard::OnNext() {
  switch (flow_.step()) {
    case Step::Tools: {
      const int row = static_cast<int>(
          ::SendDlgItemMessageW(frame_, IDC_TOOLS, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
      if (row >= 0 && static_cast<size_t>(row) < tools_.size()) BeginTool(tools_[static_cast<size_t>(row)]);
      return;
    }
    case Step::Page: {
      Page* page = CurrentPage();
      if (!page) return;
      LONG ok = 0;
      HRESULT hr = page->adaption->ValidatePage(&ok);
      if (FAILED(hr)) {
        Say(L"The page " + page->title + L" failed: " + StatusText(hr));
        if (unattended_) End(Outcome::Failed);
        else Ask(L"The page failed (" + StatusText(hr) + L").", page->title, MB_ICONERROR);
        return;
      }
      if (!ok) {
        BSTR text = nullptr;
        hr = page->adaption->GetValidationMessage(&text);
        const std::wstring message = RefusalText(TakeText(hr, text));
        transcript_->refusals.push_back(message);
        if (unattended_) {
          for (const auto& line : Lines(message)) Say(L"Refused: " + line);
          End(Outcome::Refused);
        } else {
          Ask(message, page->title, MB_ICONWARNING);
        }
        return;
      }
      const PageKind kind = KindOfPage(flow_.currentPage());
      ReadPage(kind, page->window, ComputerName(), &recorded_);
      if (kind == PageKind::Directories) {
        restoredSystem_ = comlib::WindowText(::GetDlgItem(page->window, IDC_SYSTEM_NAME));
        restoredProjectData_ = comlib::WindowText(::GetDlgItem(page->window, IDC_PROJECT_DATA));
      }
      CLSID next = {};
      hr = page->adaption->GetNextPage(&next);
      std::optional<CLSID> following;
      if (SUCCEEDED(hr) && !::IsEqualCLSID(next, CLSID_NULL)) following = next;
      LeavePage();
      if (following) {
        flow_.Forward(following);
        EnterPage();
      } else {
        wchar_t key[40];
        ::StringFromGUID2(flow_.currentPage(), key, 40);
        lastPageKey_ = key;
        flow_.Forward(std::nullopt);
        ShowSummary();
      }
      return;
    }
    case Step::Summary:
      if (!unattended_ && !ConfirmRestore()) return;
      RunRestore();
      return;
    default:
      return;
  }
}

void Wizard::ShowSummary() {
  Page& last = pages_.at(lastPageKey_);
  BSTR text = nullptr;
  const HRESULT hr = last.adaption->GetSummary(&text);
  std::wstring summary = TakeText(hr, text);
  transcript_->summary = summary;
  std::wstring shown;
  for (const auto& line : Lines(summary)) shown += line + L"\r\n";
  ::SetDlgItemTextW(frame_, IDC_SUMMARY, shown.c_str());
  ShowStep();
  SetHeader(L"Summary", L"Check your choices. Finish starts the restore; it cannot be stopped once it runs.");
  if (!options_.saveAnswers.empty()) SaveAnswers(options_.saveAnswers);
  if (unattended_) {
    Say(L"Summary:");
    for (const auto& line : Lines(summary)) Say(L"  " + line);
    ::PostMessageW(frame_, WM_APP_DRIVE, 0, 0);
  }
}

void Wizard::RunRestore() {
  Page& last = pages_.at(lastPageKey_);
  if (!flow_.Finish()) return;
  ::SendDlgItemMessageW(frame_, IDC_PROGRESS, LB_RESETCONTENT, 0, 0);
  ::SendDlgItemMessageW(frame_, IDC_ERRORS, LB_RESETCONTENT, 0, 0);
  ShowStep();
  SetHeader(L"Restoring", L"The restore runs. Its messages appear below, errors apart.");
  if (unattended_) Say(L"Restore:");
  applying_ = true;
  stopped_ = false;
  const HRESULT hr = last.page->Apply();
  applying_ = false;
  transcript_->applyStatus = hr;
  const RestoreResult result = JudgeRestore(hr, stopped_);
  flow_.Complete(result == RestoreResult::Restored);
  ShowStep();
  std::wstring header, detail;
  switch (result) {
    case RestoreResult::Restored:
      header = L"Restore finished";
      detail = L"The system has been restored.";
      break;
    case RestoreResult::Stopped:
      header = L"Restore stopped";
      detail = L"The restore did not complete (" + StatusText(hr) + L").";
      break;
    case RestoreResult::Failed:
      header = L"Restore failed";
      detail = L"The restore failed: " + comlib::StatusText(hr) + L". " + LeftOnDiskText(LeftOnDisk());
      break;
  }
  SetHeader(header, detail);
  transcript_->result = header + L": " + detail;
  Say(header + L". " + detail);
  Screenshot(L"progress");
  restoreOutcome_ = OutcomeOf(result);
  if (unattended_) End(restoreOutcome_);
  else outcome_ = restoreOutcome_;
}

// The restore's directories that exist after it failed.
std::vector<std::wstring> Wizard::LeftOnDisk() const {
  std::vector<std::wstring> left;
  comlib::ComPtr<IRestoreModule> session;
  if (!session_ || FAILED(session_.As(&session))) return left;
  comlib::Bstr project, server, server2, workplace;
  if (FAILED(session->GetSystemPaths(project.put(), server.put(), server2.put(), workplace.put())))
    return left;
  for (const comlib::Bstr* path : {&server, &server2, &project, &workplace})
    if (!path->IsEmpty() && ::GetFileAttributesW(path->c_str()) != INVALID_FILE_ATTRIBUTES)
      left.push_back(path->str());
  return left;
}

void Wizard::OnAddMessage(long kind, const std::wstring& text) {
  transcript_->progress.emplace_back(kind, text);
  const std::wstring line = ProgressLine(kind, text);
  Say(line);
  if (!frame_) return;
  const int id = kind == 2 ? IDC_ERRORS : IDC_PROGRESS;
  const LRESULT index = ::SendDlgItemMessageW(frame_, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  if (index >= 0) ::SendDlgItemMessageW(frame_, id, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
  if (kind == 2) ::SendDlgItemMessageW(frame_, IDC_PROGRESS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  // Long lines stay readable by scrolling sideways.
  for (int list : {id, static_cast<int>(IDC_PROGRESS)}) {
    const HWND box = ::GetDlgItem(frame_, list);
    HDC dc = ::GetDC(box);
    HGDIOBJ old = ::SelectObject(dc, font_);
    SIZE size = {};
    ::GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(box, dc);
    const LRESULT extent = ::SendMessageW(box, LB_GETHORIZONTALEXTENT, 0, 0);
    if (size.cx + 8 > extent) ::SendMessageW(box, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(size.cx + 8), 0);
  }
}

void Wizard::OnBack() {
  if (flow_.step() == Step::Summary) {
    flow_.Back();
    EnterPage();
    return;
  }
  if (flow_.step() != Step::Page) return;
  LeavePage();
  const bool first = flow_.pageIndex() == 0;
  flow_.Back();
  if (!first) {
    EnterPage();
    return;
  }
  // Back to the tool list: this run's session and pages end here.
  EndSession();
  ShowStep();
  SetHeader(L"Choose a tool", L"The tools of the backup and restore wizard, in their order.");
}

void Wizard::OnCancel() {
  if (flow_.step() == Step::Done) {
    End(restoreOutcome_);
    return;
  }
  const bool chosen = flow_.step() == Step::Page || flow_.step() == Step::Summary;
  if (chosen && !unattended_ && !ConfirmDiscard()) return;
  Say(L"Cancelled.");
  End(Outcome::Cancelled);
}

int Wizard::Ask(const std::wstring& text, const std::wstring& caption, UINT type) {
  if (options_.ask) return options_.ask(frame_, text, caption, type);
  return ::MessageBoxW(frame_, text.c_str(), caption.c_str(), type);
}

bool Wizard::ConfirmDiscard() {
  return Ask(DiscardQuestion(), WindowCaption(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

bool Wizard::ConfirmRestore() {
  return Ask(RestoreQuestion(restoredSystem_, restoredProjectData_), WindowCaption(),
             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

std::wstring Wizard::WindowCaption() const { return comlib::WindowText(frame_); }

}  // namespace wizard

Outcome RunWizard(const RunOptions& options, Transcript* transcript) {
  Transcript local;
  wizard::Wizard wizard(options, transcript ? transcript : &local);
  return wizard.Run();
}

}  // namespace host
