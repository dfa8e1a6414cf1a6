// One connection point of the stand-in: keeps the advised sinks and calls
// their Invoke. Its lifetime is its container's.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <map>
#include <vector>

class ConnectionPoint : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* owner, const IID& iid) : owner_(owner), iid_(iid) {}
    virtual ~ConnectionPoint() {
        for (auto& sink : sinks_) sink.second->Release();
    }
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    // Calls every sink; a sink may disconnect (itself or others) meanwhile.
    void Fire(DISPID id, DISPPARAMS& params) {
        std::vector<IDispatch*> sinks;
        for (auto& sink : sinks_) {
            sink.second->AddRef();
            sinks.push_back(sink.second);
        }
        for (IDispatch* sink : sinks) {
            sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
            sink->Release();
        }
    }
    size_t Count() const { return sinks_.size(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }
    STDMETHODIMP GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = iid_;
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override {
        if (!container) return E_POINTER;
        *container = owner_;
        owner_->AddRef();
        return S_OK;
    }
    // Takes the sink's event interface, or its plain IDispatch.
    STDMETHODIMP Advise(IUnknown* unknown, DWORD* cookie) override {
        if (!unknown || !cookie) return E_POINTER;
        IDispatch* sink = nullptr;
        if (FAILED(unknown->QueryInterface(iid_, reinterpret_cast<void**>(&sink))) &&
            FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink))))
            return CONNECT_E_CANNOTCONNECT;
        *cookie = ++lastCookie_;
        sinks_[*cookie] = sink;
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD cookie) override {
        auto it = sinks_.find(cookie);
        if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
        IDispatch* sink = it->second;
        sinks_.erase(it);
        sink->Release();
        return S_OK;
    }
    STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    IConnectionPointContainer* owner_;
    IID iid_;
    DWORD lastCookie_ = 0;
    std::map<DWORD, IDispatch*> sinks_;
};
