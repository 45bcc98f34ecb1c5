// One owned reference to a component interface: it arrives counted (from a factory, OpenDevice,
// OpenKey, QueryInterface) and is released exactly once, by whoever holds the ComRef last.
#pragma once
#include <utility>
#include "interface/EmulatorInterfaces.h"

template <class Interface>
class ComRef {
public:
    ComRef() = default;
    // Takes over a reference the caller already holds.
    explicit ComRef(Interface* counted) : object_(counted) {}
    // A reference of our own to an object someone else holds.
    static ComRef Share(Interface* object)
    {
        if (object)
            object->AddRef();
        return ComRef(object);
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.object_, nullptr));
        return *this;
    }
    ~ComRef() { Reset(); }

    // Releases the reference held, then holds counted (or nothing).
    void Reset(Interface* counted = nullptr)
    {
        Interface* old = std::exchange(object_, counted);
        if (old)
            old->Release();
    }
    // For an operation that hands out a counted reference through an out parameter; a call that
    // fails and writes nothing leaves this empty.
    Interface** Receive()
    {
        Reset();
        return &object_;
    }
    void** ReceiveAny() { return reinterpret_cast<void**>(Receive()); }
    // What a failed call wrote there is no reference: forget it without releasing.
    void Forget() { object_ = nullptr; }

    Interface* Get() const { return object_; }
    Interface* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    Interface* object_ = nullptr;
};
