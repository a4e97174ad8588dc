// The one shape of every owner in win/: holds one resource of a kind, frees it
// once (when the owner goes, on Reset, or on move-assignment), hands it over
// with Release, and a moved-from owner holds nothing.
//
// A kind is described by a traits class:
//   using Handle = ...;                   the resource's type
//   static Handle Adopt(Handle handle);   what to keep of a handle taken over
//                                         (maps "no resource" values to null)
//   static void Free(Handle handle);      frees a resource that is held
// FreedBy<Handle, Function> describes the usual kind: null is "no resource",
// and one function frees it.
#pragma once

#include <utility>

namespace win {

template <class Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() = default;
    explicit UniqueResource(Handle handle) : m_handle(Traits::Adopt(handle)) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(UniqueResource&& other) noexcept : m_handle(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Handle(); }

    // Frees the held resource (if any) and takes another.
    void Reset(Handle handle = Handle())
    {
        const Handle previous = std::exchange(m_handle, Traits::Adopt(handle));
        if (previous != Handle()) {
            Traits::Free(previous);
        }
    }
    // Hands the resource to the caller, who frees it.
    Handle Release() { return std::exchange(m_handle, Handle()); }
    // Frees the held resource and returns where a creating call stores the
    // next one (RegOpenKeyEx and the like).
    Handle* Receive()
    {
        Reset();
        return &m_handle;
    }

private:
    Handle m_handle = Handle();
};

template <class HandleType, auto FreeFunction>
struct FreedBy {
    using Handle = HandleType;
    static Handle Adopt(Handle handle) { return handle; }
    static void Free(Handle handle) { FreeFunction(handle); }
};

} // namespace win
