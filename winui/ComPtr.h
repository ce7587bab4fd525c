// An owning pointer to a COM interface, and an owning COM string: each gives
// back what it holds when it goes, so no code outside this header releases a
// COM object or frees a COM string by hand.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <string>
#include <utility>

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : p(other.p)
    {
        if (p)
            p->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p(std::exchange(other.p, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(p, other.p);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference the caller owns (a new object's first one).
    static ComPtr adopt(T* owned)
    {
        ComPtr ptr;
        ptr.p = owned;
        return ptr;
    }

    T* get() const { return p; }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
    // For the out parameter of a call that hands over a new reference.
    T** put()
    {
        reset();
        return &p;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    void reset()
    {
        if (T* old = std::exchange(p, nullptr))
            old->Release();
    }

    // The object's interface U, empty when it has none (or this is empty).
    template <class U>
    ComPtr<U> as() const
    {
        ComPtr<U> other;
        if (p && FAILED(p->QueryInterface(__uuidof(U), other.putVoid())))
            other.reset();
        return other;
    }

private:
    T* p = nullptr;
};

// A BSTR the program made: freed when it goes.
class ComString {
public:
    explicit ComString(const std::wstring& text)
        : s(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())))
    {
    }
    ComString(const ComString&) = delete;
    ComString& operator=(const ComString&) = delete;
    ~ComString() { SysFreeString(s); }
    BSTR get() const { return s; }
    explicit operator bool() const { return s != nullptr; }

private:
    BSTR s;
};
