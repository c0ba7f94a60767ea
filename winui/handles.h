#pragma once
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <utility>

namespace winui {

// Move-only owner of a Win32 handle that is null when empty; `Close` releases it.
template <class Handle, auto Close>
class Unique {
public:
    Unique() = default;
    explicit Unique(Handle handle) : handle_(handle) {}
    ~Unique() { Reset(); }
    Unique(Unique&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, Handle{}));
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    Handle Release() { return std::exchange(handle_, Handle{}); }
    void Reset(Handle handle = Handle{}) {
        if (handle_ != Handle{}) Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Handle{};
};

inline void CloseKernelHandle(HANDLE h) { CloseHandle(h); }
inline void DeleteGdiObject(HGDIOBJ h) { DeleteObject(h); }
inline void DestroyMenuHandle(HMENU h) { DestroyMenu(h); }
inline void DestroyIconHandle(HICON h) { DestroyIcon(h); }
inline void DestroyImageList(HIMAGELIST h) { ImageList_Destroy(h); }
inline void DestroyAccelerators(HACCEL h) { DestroyAcceleratorTable(h); }
inline void FinishDrop(HDROP h) { DragFinish(h); }
inline void DeleteMemoryDc(HDC h) { DeleteDC(h); }

using UniqueHandle = Unique<HANDLE, CloseKernelHandle>;
using UniqueFont = Unique<HFONT, DeleteGdiObject>;
using UniqueBitmap = Unique<HBITMAP, DeleteGdiObject>;
using UniqueBrush = Unique<HBRUSH, DeleteGdiObject>;
using UniqueMenu = Unique<HMENU, DestroyMenuHandle>;
using UniqueIcon = Unique<HICON, DestroyIconHandle>;
using UniqueImageList = Unique<HIMAGELIST, DestroyImageList>;
using UniqueAccelerators = Unique<HACCEL, DestroyAccelerators>;
using UniqueDrop = Unique<HDROP, FinishDrop>;
using MemoryDc = Unique<HDC, DeleteMemoryDc>;

// The device context of a window's client area (null: the screen), released at scope end.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects a GDI object into a device context and puts the previous one back at scope end.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelect() { SelectObject(dc_, previous_); }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Owner of one COM interface reference.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* Get() const { return ptr_; }
    Interface* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    // For out-parameters: releases the current reference first.
    Interface** Put() {
        Reset();
        return &ptr_;
    }
    void Reset() {
        if (ptr_) std::exchange(ptr_, nullptr)->Release();
    }

private:
    Interface* ptr_ = nullptr;
};

// Balances CoInitializeEx on the calling thread.
class ComApartment {
public:
    ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (ok_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool ok_;
};

}  // namespace winui
