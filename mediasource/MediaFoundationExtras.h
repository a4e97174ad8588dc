// Media Foundation declarations the source needs that mingw-w64's headers
// lack, with the values of the platform's API reference: the device-stream
// attributes a camera stream carries, the frame-source type, and the
// interfaces IMFMediaStream2 and IMFSampleAllocatorControl. Declared here
// once; nothing else in the project declares them.
#pragma once

#include <windows.h>

// The media source interfaces of Windows 8 and later (IMFMediaSourceEx): the
// rest of the project builds for Windows 7, the source is declared with the
// later interfaces visible. Every file of the source includes Media
// Foundation through this header, before any other header does.
#if WINVER < 0x0602
#undef WINVER
#define WINVER 0x0A00
#endif
#if _WIN32_WINNT < 0x0602
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfobjects.h>

// {2939E7B8-A62E-4579-B674-D4073DFABBBA}: the stream's category, a KS pin
// category (PINNAME_VIDEO_CAPTURE for a camera's capture stream).
inline constexpr GUID LUMORA_MF_DEVICESTREAM_STREAM_CATEGORY = {
    0x2939e7b8, 0xa62e, 0x4579, {0xb6, 0x74, 0xd4, 0x07, 0x3d, 0xfa, 0xbb, 0xba}};
// {11BD5120-D124-446B-88E6-17060257FFF9}: the stream's id (UINT32).
inline constexpr GUID LUMORA_MF_DEVICESTREAM_STREAM_ID = {
    0x11bd5120, 0xd124, 0x446b, {0x88, 0xe6, 0x17, 0x06, 0x02, 0x57, 0xff, 0xf9}};
// {17145FD1-1B2B-423C-8001-2B6833ED3588}: the kinds of frames the stream
// delivers (UINT32, MFFrameSourceTypes flags).
inline constexpr GUID LUMORA_MF_DEVICESTREAM_ATTRIBUTE_FRAMESOURCE_TYPES = {
    0x17145fd1, 0x1b2b, 0x423c, {0x80, 0x01, 0x2b, 0x68, 0x33, 0xed, 0x35, 0x88}};
// {1CB378E9-B279-41D4-AF97-34A243E68320}: whether the frame server may share
// the stream among applications (UINT32, 1 = yes).
inline constexpr GUID LUMORA_MF_DEVICESTREAM_FRAMESERVER_SHARED = {
    0x1cb378e9, 0xb279, 0x41d4, {0xaf, 0x97, 0x34, 0xa2, 0x43, 0xe6, 0x83, 0x20}};

// PINNAME_VIDEO_CAPTURE {FB6C4281-0353-11D1-905F-0000C0CC16BA} as a value
// (ksmedia.h declares it for linking against a library that defines it).
inline constexpr GUID LUMORA_PINNAME_VIDEO_CAPTURE = {
    0xfb6c4281, 0x0353, 0x11d1, {0x90, 0x5f, 0x00, 0x00, 0xc0, 0xcc, 0x16, 0xba}};

// MFFrameSourceTypes: colour frames.
constexpr UINT32 kLumoraFrameSourceTypesColor = 0x0001;

// MF_STREAM_STATE, IMFMediaStream2's states.
enum LumoraStreamState : int {
    kLumoraStreamStateStopped = 0,
    kLumoraStreamStatePaused = 1,
    kLumoraStreamStateRunning = 2,
};

// IMFMediaStream2 {C5BC37D6-75C7-46A1-A132-81B5F723C20F}: a media stream whose
// client can stop, pause or run it on its own.
MIDL_INTERFACE("c5bc37d6-75c7-46a1-a132-81b5f723c20f")
IMFMediaStream2 : public IMFMediaStream
{
    virtual HRESULT STDMETHODCALLTYPE SetStreamState(LumoraStreamState value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStreamState(LumoraStreamState * value) = 0;
};
__CRT_UUID_DECL(IMFMediaStream2, 0xc5bc37d6, 0x75c7, 0x46a1, 0xa1, 0x32, 0x81, 0xb5, 0xf7, 0x23, 0xc2, 0x0f)

// MFSampleAllocatorUsage: how an output stream's samples are allocated.
enum LumoraSampleAllocatorUsage : int {
    kLumoraAllocatorUsesProvided = 0,
    kLumoraAllocatorUsesCustom = 1,
    kLumoraAllocatorDoesNotAllocate = 2,
};

// IMFSampleAllocatorControl {DA62B958-3A38-4A97-BD27-149C640C0771}: lets the
// frame server hand the source the allocator its samples come from.
MIDL_INTERFACE("da62b958-3a38-4a97-bd27-149c640c0771")
IMFSampleAllocatorControl : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE SetDefaultAllocator(DWORD outputStreamId, IUnknown * allocator) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAllocatorUsage(DWORD outputStreamId, DWORD * inputStreamId,
                                                         LumoraSampleAllocatorUsage * usage) = 0;
};
__CRT_UUID_DECL(IMFSampleAllocatorControl, 0xda62b958, 0x3a38, 0x4a97, 0xbd, 0x27, 0x14, 0x9c, 0x64, 0x0c, 0x07, 0x71)
