// Scoped owners of the system's paired calls, so that every acquire has its release in one place:
// device contexts, painting, and objects selected into a context.
#pragma once

#include <windows.h>

// A window's (or, for a null window, the screen's) device context, released on scope exit.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC &) = delete;
    WindowDC &operator=(const WindowDC &) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A memory device context compatible with another, deleted on scope exit.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
    ~MemoryDC() {
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC &) = delete;
    MemoryDC &operator=(const MemoryDC &) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// BeginPaint and EndPaint around one painting of a window.
class Painting {
public:
    explicit Painting(HWND window) : window_(window), paint_{}, dc_(BeginPaint(window, &paint_)) {}
    ~Painting() { EndPaint(window_, &paint_); }
    Painting(const Painting &) = delete;
    Painting &operator=(const Painting &) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_;
    HDC dc_;
};

// A palette selected (and realised) into a context, the previous one selected back on scope exit.
// A null palette or context selects nothing.
class PaletteSelection {
public:
    PaletteSelection(HDC dc, HPALETTE palette) : dc_(dc), previous_(nullptr) {
        if (dc_ == nullptr || palette == nullptr) return;
        previous_ = SelectPalette(dc_, palette, FALSE);
        RealizePalette(dc_);
    }
    ~PaletteSelection() {
        if (previous_ != nullptr) SelectPalette(dc_, previous_, FALSE);
    }
    PaletteSelection(const PaletteSelection &) = delete;
    PaletteSelection &operator=(const PaletteSelection &) = delete;
    bool selected() const { return previous_ != nullptr; }

private:
    HDC dc_;
    HPALETTE previous_;
};

// A GDI object selected into a context, the previous one selected back on scope exit. A null
// object or context selects nothing.
class ObjectSelection {
public:
    ObjectSelection(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(dc != nullptr && object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~ObjectSelection() {
        if (previous_ != nullptr) SelectObject(dc_, previous_);
    }
    ObjectSelection(const ObjectSelection &) = delete;
    ObjectSelection &operator=(const ObjectSelection &) = delete;
    bool selected() const { return previous_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};
