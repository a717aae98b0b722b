// The process side of COM: creating objects by class id, loading filter
// libraries, and letting unused libraries go.
//
// Classes of the media layer itself (the system device enumerator, the
// filter mapper, the memory allocator) and classes a program adds with
// RegisterBuiltInClass are made in-process; every other class is looked up
// in the filter registry and made by its library's DllGetClassObject.
//
// A loaded library stays loaded until CoFreeUnusedLibraries finds that its
// DllCanUnloadNow answers S_OK; nothing unloads a library behind the back of
// objects it made.
#pragma once

#include "media/com/ClassFactory.h"

#include <string>

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
inline constexpr DWORD COINIT_MULTITHREADED = 0x0;

// No apartments here: these only keep callers written for COM unchanged.
HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD flags);
void CoUninitialize();

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv);
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* reserved, REFIID riid, void** ppv);
void CoFreeUnusedLibraries();

namespace tarn::media {

using BuiltInCreator = CUnknown* (*)(IUnknown* outer, HRESULT* phr);
// Makes a class creatable by CoCreateInstance without a library (for
// example the graph manager of a program).
void RegisterBuiltInClass(REFCLSID clsid, BuiltInCreator creator);

// The class factory of clsid in the library at path (loaded if needed).
// A library that cannot be loaded gives HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND),
// one without the export HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND); the
// loader's own message is kept for LastLibraryError().
HRESULT GetClassObjectFromLibrary(const std::string& path, REFCLSID clsid, REFIID riid, void** ppv);
std::string LastLibraryError();
// How many libraries are loaded now.
std::size_t LoadedLibraryCount();

}  // namespace tarn::media
