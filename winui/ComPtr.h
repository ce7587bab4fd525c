// An owning pointer to a COM interface: releases what it holds.
#pragma once

#include <unknwn.h>

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p(other.p) { other.p = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            p = other.p;
            other.p = nullptr;
        }
        return *this;
    }
    ~ComPtr() { reset(); }

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
        if (p) {
            T* old = p;
            p = nullptr;
            old->Release();
        }
    }

private:
    T* p = nullptr;
};
