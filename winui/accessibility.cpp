#include "winui/accessibility.h"

#include <commctrl.h>
#include <oleacc.h>

#include <cwchar>
#include <memory>
#include <utility>

namespace winui {
namespace {

constexpr UINT_PTR kSubclassId = 0x4143;  // one description per control

struct Described {
    AccessibleDescription description;
};

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The standard object of the control with the description's parts put in front of it. The
// description is looked up at every call, so an object that a client keeps after the control
// is gone answers as the standard one does for a window that no longer exists.
class DescribedAccessible final : public IAccessible {
public:
    DescribedAccessible(HWND control, IAccessible* standard) : control_(control), standard_(standard) {}
    ~DescribedAccessible() { standard_->Release(); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // IOleWindow, IEnumVARIANT and the like: the standard object's.
        return standard_->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument) override {
        return standard_->Invoke(id, iid, locale, flags, parameters, result, exception, argument);
    }

    // IAccessible: what the description changes
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        const AccessibleDescription* described = Description();
        if (IsSelf(child) && described && described->name) return ReturnText(described->name(), name);
        return standard_->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        const AccessibleDescription* described = Description();
        if (IsSelf(child) && described && described->value) return ReturnText(described->value(), value);
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        const AccessibleDescription* described = Description();
        if (IsSelf(child) && described && described->role != 0) {
            if (!role) return E_POINTER;
            role->vt = VT_I4;
            role->lVal = described->role;
            return S_OK;
        }
        return standard_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        const HRESULT result = standard_->get_accState(child, state);
        const AccessibleDescription* described = Description();
        if (SUCCEEDED(result) && IsSelf(child) && described && described->extraStates && state->vt == VT_I4) {
            state->lVal |= described->extraStates();
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        const AccessibleDescription* described = Description();
        if (IsSelf(child) && described && !described->defaultAction.empty())
            return ReturnText(described->defaultAction, action);
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const AccessibleDescription* described = Description();
        if (IsSelf(child) && described && described->doDefaultAction) {
            // Posted as the system's own objects do: the caller may be a screen reader waiting
            // on this call, and the action may open a modal window.
            PostMessageW(control_, kDoDefaultAction, 0, 0);
            return S_OK;
        }
        return standard_->accDoDefaultAction(child);
    }

    // IAccessible: the standard answers
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { return standard_->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** dispatch) override {
        return standard_->get_accChild(child, dispatch);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override {
        return standard_->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

    static constexpr UINT kDoDefaultAction = WM_APP + 0x1AC;

private:
    const AccessibleDescription* Description() const;

    LONG references_ = 1;
    HWND control_;
    IAccessible* standard_;
};

LRESULT CALLBACK DescribedProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* described = reinterpret_cast<Described*>(data);
    switch (message) {
    case WM_GETOBJECT: {
        if (static_cast<LONG>(lParam) != OBJID_CLIENT) break;
        IAccessible* standard = nullptr;
        if (FAILED(CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&standard))))
            break;
        auto* object = new DescribedAccessible(control, standard);
        const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, object);
        object->Release();  // the result holds its own reference
        return result;
    }
    case DescribedAccessible::kDoDefaultAction:
        if (described->description.doDefaultAction) described->description.doDefaultAction();
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(control, DescribedProc, kSubclassId);
        RemovePropW(control, L"TabuloraAccessible");
        delete described;
        break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

const AccessibleDescription* DescribedAccessible::Description() const {
    if (!IsWindow(control_)) return nullptr;
    const auto* described = static_cast<const Described*>(GetPropW(control_, L"TabuloraAccessible"));
    return described ? &described->description : nullptr;
}

}  // namespace

void DescribeForAccessibility(HWND control, AccessibleDescription description) {
    if (auto* existing = static_cast<Described*>(GetPropW(control, L"TabuloraAccessible"))) {
        existing->description = std::move(description);
        return;
    }
    auto* described = new Described{std::move(description)};
    if (!SetWindowSubclass(control, DescribedProc, kSubclassId, reinterpret_cast<DWORD_PTR>(described))) {
        delete described;
        return;
    }
    SetPropW(control, L"TabuloraAccessible", described);
}

std::wstring LabelBefore(HWND control) {
    const HWND previous = GetWindow(control, GW_HWNDPREV);
    if (!previous) return {};
    wchar_t className[16] = {};
    GetClassNameW(previous, className, 16);
    if (_wcsicmp(className, WC_STATICW) != 0) return {};
    const int length = GetWindowTextLengthW(previous);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(previous, text.data(), length + 1)));
    std::wstring name;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;  // "&&" stands for one "&"
        name += text[i];
    }
    return name;
}

bool HighContrastOn() {
    // Read at every call, so that a change shows with the next WM_SYSCOLORCHANGE.
    const wchar_t* forced = _wgetenv(L"TABULORA_HIGH_CONTRAST");
    if (forced && std::wcscmp(forced, L"1") == 0) return true;
    HIGHCONTRASTW setting{};
    setting.cbSize = sizeof setting;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
           (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace winui
