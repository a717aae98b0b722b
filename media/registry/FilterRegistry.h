// The filter registry file: which COM-style classes exist, in which library,
// and which of them are filters of a category, with their merit and pins.
//
// Location: $TARNMEDIA_FILTERS alone when it is set. Otherwise the user's own
// $XDG_CONFIG_HOME/tarnmedia/filters.ini (default ~/.config) and then the
// machine's tarnmedia/filters.ini in each folder of $XDG_CONFIG_DIRS (default
// /etc/xdg), where packages and root register; a class the user registered
// hides the machine's entry for it. Changes go to the user's file only, the
// machine's file is written through SystemFilterRegistryPath(). One section
// per class id:
//
//   [{F28300A0-F0CC-11CF-93D5-EC81C795857F}]
//   Class=Tarn Video Encoder for GAME          class registration
//   Library=/usr/lib/tarnmedia/libtarnvenc.so
//   ThreadingModel=Both
//   Category={083863F1-70DE-11D0-BD40-00A0C911CE86}   filter registration
//   FriendlyName=Tarn Video Encoder for GAME
//   Merit=0x00200000
//   Pins=2
//   Pin1=Input
//   Pin1.Direction=Input
//   Pin1.Flags=Rendered,Zero,Many               any of the three, or empty
//   Pin1.ConnectsToFilter={00000000-...}
//   Pin1.ConnectsToPin=
//   Pin1.Types=1
//   Pin1.Type1={major type}/{subtype}
//
// Every change reads, edits and atomically replaces the whole file under a
// writer lock, so concurrent registrations never lose each other's entries.
// Sections and keys the registry does not know are kept.
#pragma once

#include "media/com/Guid.h"
#include "media/com/HResult.h"
#include "media/dshow/FilterSetup.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarn::media {

struct RegisteredPin {
  std::wstring name;
  bool output = false;
  bool rendered = false;
  bool zero = false;
  bool many = false;
  CLSID connectsToFilter{};
  std::wstring connectsToPin;
  std::vector<std::pair<GUID, GUID>> types;  // major type, subtype
};

struct RegisteredFilter {
  CLSID category{};
  std::wstring friendlyName;
  DWORD merit = 0;
  std::vector<RegisteredPin> pins;
};

struct RegisteredClass {
  CLSID clsid{};
  std::wstring className;
  std::string libraryPath;
  std::string threadingModel;
  std::optional<RegisteredFilter> filter;  // present when registered as a filter
};

// The file changes go to: $TARNMEDIA_FILTERS, else the user's file.
std::filesystem::path FilterRegistryPath();
// The machine's file: in the first folder of $XDG_CONFIG_DIRS (default /etc/xdg).
std::filesystem::path SystemFilterRegistryPath();
// Every file looked up, the one that wins first.
std::vector<std::filesystem::path> FilterRegistryLookup();

class FilterRegistry {
 public:
  // The registry as the environment says now: FilterRegistryLookup() read,
  // FilterRegistryPath() written.
  FilterRegistry();
  // One file, read and written.
  explicit FilterRegistry(std::filesystem::path path);

  const std::filesystem::path& Path() const { return path_; }

  // Every class, the written file's in file order, then the classes only the
  // machine's files have. A missing file is an empty registry; an unreadable
  // written file gives the system error's HRESULT, an unreadable machine file
  // is passed over.
  HRESULT Load(std::vector<RegisteredClass>* classes) const;
  HRESULT Find(REFCLSID clsid, RegisteredClass* found) const;  // REGDB_E_CLASSNOTREG if absent

  // Class registration; registering again replaces the earlier entry.
  HRESULT RegisterClass(REFCLSID clsid, const std::wstring& name, const std::string& libraryPath,
                        const std::string& threadingModel) const;
  // Removes the class with its filter entry; S_OK also when it was absent,
  // and then no file is created.
  HRESULT UnregisterClass(REFCLSID clsid) const;

  HRESULT RegisterFilter(REFCLSID clsid, const RegisteredFilter& filter) const;
  // S_OK also when the filter was not registered.
  HRESULT UnregisterFilter(REFCLSID clsid) const;

  // Filters of a category whose merit is at least minimumMerit and which
  // have an input pin registered for the type (GUID_NULL subtypes in the
  // registration match any subtype), highest merit first.
  HRESULT FindFiltersForInput(REFCLSID category, REFGUID majorType, REFGUID subtype, DWORD minimumMerit,
                              std::vector<RegisteredClass>* found) const;

 private:
  class Document;
  HRESULT Edit(const std::function<void(Document&)>& change) const;

  std::filesystem::path path_;
  std::vector<std::filesystem::path> lookup_;
};

// Setup data of a filter library in registry form.
RegisteredFilter FilterFromSetup(const REGFILTER2& setup, LPCWSTR name, REFCLSID category);

}  // namespace tarn::media
