// Benchmark baseline: the smallest modal dialog program, a 802 × 430 popup
// dialog with one push button made from an in-memory template. It signals
// KELMOR_TEST_FIRST_PAINT_EVENT after its first paint.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

bool g_signalled = false;

void SignalFirstPaint() {
  if (g_signalled) return;
  g_signalled = true;
  wchar_t name[128] = {};
  if (!::GetEnvironmentVariableW(L"KELMOR_TEST_FIRST_PAINT_EVENT", name, 128)) return;
  if (HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, name)) {
    ::SetEvent(event);
    ::CloseHandle(event);
  }
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ::SetWindowPos(window, nullptr, 100, 100, 802, 430, SWP_NOZORDER);
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(window, &paint);
      RECT client;
      ::GetClientRect(window, &client);
      ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      ::EndPaint(window, &paint);
      SignalFirstPaint();
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) ::EndDialog(window, LOWORD(wparam));
      return TRUE;
    default:
      return FALSE;
  }
}

void Align(std::vector<uint8_t>& t, size_t to) {
  while (t.size() % to) t.push_back(0);
}
template <class T>
void Put(std::vector<uint8_t>& t, T value) {
  const auto* p = reinterpret_cast<const uint8_t*>(&value);
  t.insert(t.end(), p, p + sizeof(T));
}
void PutText(std::vector<uint8_t>& t, const wchar_t* s) {
  do Put<uint16_t>(t, static_cast<uint16_t>(*s)); while (*s++);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  std::vector<uint8_t> t;
  DLGTEMPLATE dialog = {};
  dialog.style = WS_POPUP | WS_VISIBLE | DS_SETFONT;
  dialog.cdit = 1;
  Put(t, dialog);
  Put<uint16_t>(t, 0);  // no menu
  Put<uint16_t>(t, 0);  // standard class
  PutText(t, L"Minimal");
  Put<uint16_t>(t, 10);
  PutText(t, L"Arial");
  Align(t, 4);
  DLGITEMTEMPLATE item = {};
  item.style = WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON;
  item.x = 10;
  item.y = 10;
  item.cx = 60;
  item.cy = 14;
  item.id = IDOK;
  Put(t, item);
  Put<uint16_t>(t, 0xFFFF);
  Put<uint16_t>(t, 0x0080);  // button
  PutText(t, L"Install");
  Put<uint16_t>(t, 0);
  return static_cast<int>(::DialogBoxIndirectParamW(
      instance, reinterpret_cast<const DLGTEMPLATE*>(t.data()), nullptr, &DialogProc, 0));
}
