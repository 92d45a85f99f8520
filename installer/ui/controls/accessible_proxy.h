// What a screen reader gets for an owner-drawn control: the control's
// standard accessible object with its name, description, value and role
// replaced. The control's window procedure answers WM_GETOBJECT for the
// client object with the proxy once a name or a value is set.
#pragma once

#include <windows.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <string>

namespace lite_installer {

// IID_IAccessible. The system's import library for oleacc also exports a
// symbol of that name (a thunk, not the GUID), so the value lives here.
constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// Roles the installer uses.
constexpr LONG kAccRolePushButton = ROLE_SYSTEM_PUSHBUTTON;  // 43
constexpr LONG kAccRoleLink = ROLE_SYSTEM_LINK;              // 30
constexpr LONG kAccRoleProgressBar = ROLE_SYSTEM_PROGRESSBAR;  // 48
constexpr LONG kAccRoleCheckBox = ROLE_SYSTEM_CHECKBUTTON;     // 44

class AccessibleProxy : public IAccessible {
 public:
  // The proxy of `control`, created (and the control subclassed) on first
  // use; null when the window is gone or the standard object is missing.
  // The proxy lives as long as the control or its last client.
  static AccessibleProxy* For(HWND control);
  // The proxy already attached to `control`, or null.
  static AccessibleProxy* Find(HWND control);

  void SetRole(LONG role);
  void SetName(std::wstring name);
  void SetDescription(std::wstring description);
  // Also raises EVENT_OBJECT_VALUECHANGE for the client object.
  void SetValue(std::wstring value);
  // The checked state an owner-drawn checkbox keeps itself; the standard
  // object's other state bits stay. Raises EVENT_OBJECT_STATECHANGE.
  void SetChecked(bool checked);

  const std::wstring& name() const { return name_; }
  const std::wstring& value() const { return value_; }
  LONG role() const { return role_; }
  bool answers_get_object() const { return has_name_ || has_value_ || has_checked_; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;
  // IAccessible
  STDMETHODIMP get_accParent(IDispatch** parent) override;
  STDMETHODIMP get_accChildCount(LONG* count) override;
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** dispatch) override;
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
  STDMETHODIMP get_accFocus(VARIANT* child) override;
  STDMETHODIMP get_accSelection(VARIANT* children) override;
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
  STDMETHODIMP accSelect(LONG flags, VARIANT child) override;
  STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override;
  STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override;
  STDMETHODIMP accHitTest(LONG left, LONG top, VARIANT* child) override;
  STDMETHODIMP accDoDefaultAction(VARIANT child) override;
  STDMETHODIMP put_accName(VARIANT child, BSTR name) override;
  STDMETHODIMP put_accValue(VARIANT child, BSTR value) override;

 private:
  AccessibleProxy(HWND control, Microsoft::WRL::ComPtr<IAccessible> standard);
  virtual ~AccessibleProxy();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  LONG refs_ = 1;
  HWND control_;
  Microsoft::WRL::ComPtr<IAccessible> standard_;
  WNDPROC previous_ = nullptr;
  std::wstring name_;
  std::wstring description_;
  std::wstring value_;
  LONG role_ = 0;
  bool has_name_ = false;
  bool has_value_ = false;
  bool has_checked_ = false;
  bool checked_ = false;
};

}  // namespace lite_installer
