#pragma once
// One small move-only owner for every kind of handle the program opens
// (FILE*, HANDLE, HINTERNET, unzFile, GDI objects). Whatever path a function
// leaves by, what it opened is closed by the function that opened it.
#include <utility>

template <typename T, auto Close, T Null = T{}>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Null)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) { reset(); h_ = std::exchange(o.h_, Null); }
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const { return h_; }
    explicit operator bool() const { return h_ != Null; }
    // Closes now; returns what the close reported (0 when nothing was open).
    auto close() {
        using R = decltype(Close(h_));
        if constexpr (std::is_void_v<R>) {
            if (h_ != Null) Close(h_);
            h_ = Null;
        } else {
            R r{};
            if (h_ != Null) r = Close(h_);
            h_ = Null;
            return r;
        }
    }
    void reset(T h = Null) { close(); h_ = h; }
    T release() { return std::exchange(h_, Null); }

private:
    T h_ = Null;
};
