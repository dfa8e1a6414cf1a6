#include "browser/BrowserEvents.h"

namespace {
const VARIANT* Arg(const DISPPARAMS* params, UINT index) {
    if (!params || !params->rgvarg || index >= params->cArgs) return nullptr;
    const VARIANT* v = &params->rgvarg[index];
    if (v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
    return v;
}
}  // namespace

std::wstring EventArgText(const DISPPARAMS* params, UINT index) {
    const VARIANT* v = Arg(params, index);
    if (!v) return std::wstring();
    if (v->vt == VT_BSTR && v->bstrVal) return std::wstring(v->bstrVal, ::SysStringLen(v->bstrVal));
    if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal && *v->pbstrVal)
        return std::wstring(*v->pbstrVal, ::SysStringLen(*v->pbstrVal));
    return std::wstring();
}

VARIANT_BOOL* EventArgFlag(const DISPPARAMS* params, UINT index) {
    const VARIANT* v = Arg(params, index);
    return v && v->vt == (VT_BYREF | VT_BOOL) ? v->pboolVal : nullptr;
}

IDispatch* EventArgObject(const DISPPARAMS* params, UINT index) {
    const VARIANT* v = Arg(params, index);
    return v && v->vt == VT_DISPATCH ? v->pdispVal : nullptr;
}
