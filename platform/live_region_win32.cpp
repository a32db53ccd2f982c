#include "platform/live_region_win32.h"

// initguid.h first: oleacc.h then defines its GUIDs here rather than asking a library for them.
#include <initguid.h>
// ole2.h before oleacc.h, which needs its COM types.
#include <ole2.h>
#include <oleacc.h>

namespace {

// The program's own mark on the control, read back before each announcement. A property named
// by an atom held for the whole run: the window manager drops it with the control.
LPCSTR live_region_property() {
  static const ATOM atom = GlobalAddAtomA("Ostrel.LiveRegion");
  return MAKEINTATOM(atom);
}

// UI Automation's LiveSetting property, which MinGW's headers do not name; its value Polite (1)
// waits for the screen reader to finish what it is saying.
constexpr GUID LIVE_SETTING_PROPERTY = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG LIVE_SETTING_POLITE = 1;

#ifndef EVENT_OBJECT_LIVEREGIONCHANGED
// Windows 8 and later; earlier systems ignore the event.
constexpr DWORD EVENT_OBJECT_LIVEREGIONCHANGED = 0x8019;
#endif

}  // namespace

void make_live_region(HWND control) {
  if (control == nullptr) return;
  SetPropA(control, live_region_property(), reinterpret_cast<HANDLE>(1));
  // COM on this (the window's) thread; already there is as good.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IAccPropServices* services = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
    VARIANT polite;
    VariantInit(&polite);
    polite.vt = VT_I4;
    polite.lVal = LIVE_SETTING_POLITE;
    services->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                          LIVE_SETTING_PROPERTY, polite);
    services->Release();
  }
  // The annotation lives in the accessibility service, not in this apartment.
  if (SUCCEEDED(com)) CoUninitialize();
}

void announce_live_region(HWND control) {
  if (control == nullptr || GetPropA(control, live_region_property()) == nullptr) return;
  NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, control, OBJID_CLIENT, CHILDID_SELF);
}
