#include "media/registry/HResultText.h"

#include <cstdio>
#include <cstring>

namespace tarn::media {
namespace {

struct Named {
  HRESULT code;
  const char* name;
};

constexpr Named kNames[] = {
    {S_OK, "S_OK"},
    {S_FALSE, "S_FALSE"},
    {E_NOTIMPL, "E_NOTIMPL: not implemented"},
    {E_NOINTERFACE, "E_NOINTERFACE: interface not supported"},
    {E_POINTER, "E_POINTER: invalid pointer"},
    {E_ABORT, "E_ABORT: aborted"},
    {E_FAIL, "E_FAIL: unspecified failure"},
    {E_UNEXPECTED, "E_UNEXPECTED: unexpected failure"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY: out of memory"},
    {E_INVALIDARG, "E_INVALIDARG: invalid argument"},
    {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION: class cannot be aggregated"},
    {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE: class not offered by this library"},
    {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG: class not registered"},
    {HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), "library cannot be loaded"},
    {HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND), "export not found in library"},
    {VFW_E_NOT_CONNECTED, "VFW_E_NOT_CONNECTED: pin not connected"},
    {VFW_E_NO_ACCEPTABLE_TYPES, "VFW_E_NO_ACCEPTABLE_TYPES: no common media type"},
    {VFW_E_TYPE_NOT_ACCEPTED, "VFW_E_TYPE_NOT_ACCEPTED: media type not accepted"},
    {VFW_E_CANNOT_CONNECT, "VFW_E_CANNOT_CONNECT: no combination of filters connects"},
    {VFW_E_CANNOT_RENDER, "VFW_E_CANNOT_RENDER: no combination of filters renders the stream"},
    {VFW_E_NOT_STOPPED, "VFW_E_NOT_STOPPED: filter is not stopped"},
    {VFW_E_WRONG_STATE, "VFW_E_WRONG_STATE: wrong filter state"},
    {VFW_E_NOT_COMMITTED, "VFW_E_NOT_COMMITTED: allocator not committed"},
    {VFW_E_SIZENOTSET, "VFW_E_SIZENOTSET: allocator buffer size not set"},
    {VFW_E_UNKNOWN_FILE_TYPE, "VFW_E_UNKNOWN_FILE_TYPE: unknown file type"},
    {VFW_E_INVALID_FILE_FORMAT, "VFW_E_INVALID_FILE_FORMAT: invalid file format"},
};

}  // namespace

std::string DescribeHResult(HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
  for (const Named& named : kNames)
    if (named.code == hr) return std::string(code) + " (" + named.name + ")";
  // System errors keep their errno in the low 16 bits.
  if ((static_cast<std::uint32_t>(hr) & 0xFFFF0000u) == 0x80070000u)
    return std::string(code) + " (" + std::strerror(static_cast<int>(hr & 0xFFFF)) + ")";
  return code;
}

}  // namespace tarn::media
