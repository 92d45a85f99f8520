#include "installer/ui/controls/accessible_proxy.h"

#include <unordered_map>
#include <utility>

#include "base/logging.h"
#include "base/scoped_com.h"

namespace lite_installer {
namespace {

std::unordered_map<HWND, AccessibleProxy*>& Proxies() {
  static std::unordered_map<HWND, AccessibleProxy*> proxies;
  return proxies;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

AccessibleProxy* AccessibleProxy::Find(HWND control) {
  auto it = Proxies().find(control);
  return it == Proxies().end() ? nullptr : it->second;
}

AccessibleProxy* AccessibleProxy::For(HWND control) {
  if (AccessibleProxy* existing = Find(control)) return existing;
  if (!control || !::IsWindow(control)) return nullptr;
  Microsoft::WRL::ComPtr<IAccessible> standard;
  HRESULT hr = ::CreateStdAccessibleObject(control, OBJID_CLIENT, kIidAccessible,
                                           reinterpret_cast<void**>(standard.GetAddressOf()));
  if (FAILED(hr) || !standard) {
    LOG(ERROR) << "No standard accessible object for a control, hr=" << static_cast<uint32_t>(hr);
    return nullptr;
  }
  auto* proxy = new AccessibleProxy(control, std::move(standard));
  Proxies()[control] = proxy;
  proxy->previous_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
  return proxy;
}

AccessibleProxy::AccessibleProxy(HWND control, Microsoft::WRL::ComPtr<IAccessible> standard)
    : control_(control), standard_(std::move(standard)) {}

AccessibleProxy::~AccessibleProxy() = default;

LRESULT CALLBACK AccessibleProxy::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  AccessibleProxy* self = Find(window);
  if (!self) return ::DefWindowProcW(window, message, wparam, lparam);
  WNDPROC previous = self->previous_;
  if (message == WM_GETOBJECT && static_cast<LONG>(lparam) == OBJID_CLIENT &&
      self->answers_get_object()) {
    return ::LresultFromObject(kIidAccessible, wparam, static_cast<IAccessible*>(self));
  }
  if (message == WM_NCDESTROY) {
    // The window's reference to its proxy (the one it was made with) goes
    // with the window, once the previous procedure has seen the message.
    const Microsoft::WRL::ComPtr<AccessibleProxy> window_reference = base::AdoptComPtr(self);
    if (::GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&WindowProc))
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    Proxies().erase(window);
    self->control_ = nullptr;
    return ::CallWindowProcW(previous, window, message, wparam, lparam);
  }
  return ::CallWindowProcW(previous, window, message, wparam, lparam);
}

void AccessibleProxy::SetRole(LONG role) { role_ = role; }

void AccessibleProxy::SetName(std::wstring name) {
  name_ = std::move(name);
  has_name_ = true;
}

void AccessibleProxy::SetDescription(std::wstring description) { description_ = std::move(description); }

void AccessibleProxy::SetValue(std::wstring value) {
  value_ = std::move(value);
  has_value_ = true;
  if (control_) ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, control_, OBJID_CLIENT, CHILDID_SELF);
}

void AccessibleProxy::SetChecked(bool checked) {
  const bool changed = !has_checked_ || checked_ != checked;
  checked_ = checked;
  has_checked_ = true;
  if (changed && control_) ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, control_, OBJID_CLIENT, CHILDID_SELF);
}

STDMETHODIMP AccessibleProxy::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kIidAccessible) {
    *object = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  // Other interfaces (IEnumVARIANT, IOleWindow, ...) come from the standard
  // object.
  return standard_->QueryInterface(riid, object);
}

STDMETHODIMP_(ULONG) AccessibleProxy::AddRef() { return ::InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) AccessibleProxy::Release() {
  LONG refs = ::InterlockedDecrement(&refs_);
  if (refs == 0) delete this;
  return refs;
}

STDMETHODIMP AccessibleProxy::GetTypeInfoCount(UINT* count) { return standard_->GetTypeInfoCount(count); }
STDMETHODIMP AccessibleProxy::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
  return standard_->GetTypeInfo(index, lcid, info);
}
STDMETHODIMP AccessibleProxy::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
  return standard_->GetIDsOfNames(riid, names, count, lcid, ids);
}
STDMETHODIMP AccessibleProxy::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* arg_error) {
  return standard_->Invoke(id, riid, lcid, flags, params, result, exception, arg_error);
}

STDMETHODIMP AccessibleProxy::get_accParent(IDispatch** parent) { return standard_->get_accParent(parent); }
STDMETHODIMP AccessibleProxy::get_accChildCount(LONG* count) { return standard_->get_accChildCount(count); }
STDMETHODIMP AccessibleProxy::get_accChild(VARIANT child, IDispatch** dispatch) {
  return standard_->get_accChild(child, dispatch);
}

STDMETHODIMP AccessibleProxy::get_accName(VARIANT child, BSTR* name) {
  if (IsSelf(child) && has_name_) return ReturnText(name_, name);
  return standard_->get_accName(child, name);
}

STDMETHODIMP AccessibleProxy::get_accValue(VARIANT child, BSTR* value) {
  if (IsSelf(child) && has_value_) return ReturnText(value_, value);
  return standard_->get_accValue(child, value);
}

STDMETHODIMP AccessibleProxy::get_accDescription(VARIANT child, BSTR* description) {
  if (IsSelf(child) && !description_.empty()) return ReturnText(description_, description);
  return standard_->get_accDescription(child, description);
}

STDMETHODIMP AccessibleProxy::get_accRole(VARIANT child, VARIANT* role) {
  if (IsSelf(child) && role_ != 0) {
    if (!role) return E_POINTER;
    ::VariantInit(role);
    role->vt = VT_I4;
    role->lVal = role_;
    return S_OK;
  }
  return standard_->get_accRole(child, role);
}

STDMETHODIMP AccessibleProxy::get_accState(VARIANT child, VARIANT* state) {
  const HRESULT hr = standard_->get_accState(child, state);
  if (!IsSelf(child) || !has_checked_ || !state) return hr;
  LONG bits = SUCCEEDED(hr) && state->vt == VT_I4 ? state->lVal : 0;
  // An owner-drawn button reports itself pressed, never checked.
  bits &= ~(STATE_SYSTEM_CHECKED | STATE_SYSTEM_PRESSED);
  if (checked_) bits |= STATE_SYSTEM_CHECKED;
  ::VariantInit(state);
  state->vt = VT_I4;
  state->lVal = bits;
  return S_OK;
}
STDMETHODIMP AccessibleProxy::get_accHelp(VARIANT child, BSTR* help) { return standard_->get_accHelp(child, help); }
STDMETHODIMP AccessibleProxy::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) {
  return standard_->get_accHelpTopic(file, child, topic);
}
STDMETHODIMP AccessibleProxy::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  return standard_->get_accKeyboardShortcut(child, shortcut);
}
STDMETHODIMP AccessibleProxy::get_accFocus(VARIANT* child) { return standard_->get_accFocus(child); }
STDMETHODIMP AccessibleProxy::get_accSelection(VARIANT* children) { return standard_->get_accSelection(children); }
STDMETHODIMP AccessibleProxy::get_accDefaultAction(VARIANT child, BSTR* action) {
  return standard_->get_accDefaultAction(child, action);
}
STDMETHODIMP AccessibleProxy::accSelect(LONG flags, VARIANT child) { return standard_->accSelect(flags, child); }
STDMETHODIMP AccessibleProxy::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) {
  return standard_->accLocation(left, top, width, height, child);
}
STDMETHODIMP AccessibleProxy::accNavigate(LONG direction, VARIANT start, VARIANT* end) {
  return standard_->accNavigate(direction, start, end);
}
STDMETHODIMP AccessibleProxy::accHitTest(LONG left, LONG top, VARIANT* child) {
  return standard_->accHitTest(left, top, child);
}
STDMETHODIMP AccessibleProxy::accDoDefaultAction(VARIANT child) { return standard_->accDoDefaultAction(child); }
STDMETHODIMP AccessibleProxy::put_accName(VARIANT child, BSTR name) { return standard_->put_accName(child, name); }
STDMETHODIMP AccessibleProxy::put_accValue(VARIANT child, BSTR value) { return standard_->put_accValue(child, value); }

}  // namespace lite_installer
