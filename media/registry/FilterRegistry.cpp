#include "media/registry/FilterRegistry.h"

#include "base/atomic_file.h"
#include "base/settings_location.h"
#include "media/registry/CategoryInterfaces.h"
#include "media/registry/TextConversion.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace tarn::media {
namespace {

constexpr std::size_t kMaxPins = 64;
constexpr std::size_t kMaxTypesPerPin = 256;

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// A value stays on its line.
std::string OneLine(std::string_view text) {
  std::string out(text);
  std::replace_if(
      out.begin(), out.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return out;
}

HRESULT FromErrorCode(const std::error_code& error) {
  if (!error) return S_OK;
  const int value = error.value();
  return value != 0 ? HResultFromErrno(value) : E_FAIL;
}

std::optional<unsigned long> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (end == text.c_str() || *end != '\0') return std::nullopt;
  return value;
}

std::string MeritText(DWORD merit) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", merit);
  return text;
}

bool IsFilterKey(std::string_view key) {
  return EqualsNoCase(key, "Category") || EqualsNoCase(key, "FriendlyName") || EqualsNoCase(key, "Merit") ||
         StartsWithNoCase(key, "Pin");
}

}  // namespace

// The registry file as sections of key/value pairs, in file order.
class FilterRegistry::Document {
 public:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;

    const std::string* Get(std::string_view key) const {
      for (const auto& [k, v] : entries)
        if (EqualsNoCase(k, key)) return &v;
      return nullptr;
    }
    std::string GetOr(std::string_view key, std::string fallback = {}) const {
      const std::string* value = Get(key);
      return value != nullptr ? *value : fallback;
    }
    void Set(std::string_view key, std::string_view value) {
      for (auto& [k, v] : entries)
        if (EqualsNoCase(k, key)) {
          v = OneLine(value);
          return;
        }
      entries.emplace_back(std::string(key), OneLine(value));
    }
  };

  static Document Parse(std::string_view text) {
    Document document;
    Section* current = nullptr;
    while (!text.empty()) {
      std::size_t end = text.find('\n');
      std::string_view line = Trim(text.substr(0, end));
      text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
      if (line.empty() || line.front() == ';' || line.front() == '#') continue;
      if (line.front() == '[' && line.back() == ']') {
        document.sections.push_back({std::string(Trim(line.substr(1, line.size() - 2))), {}});
        current = &document.sections.back();
        continue;
      }
      std::size_t equals = line.find('=');
      if (current == nullptr || equals == std::string_view::npos) continue;
      current->entries.emplace_back(std::string(Trim(line.substr(0, equals))),
                                    std::string(Trim(line.substr(equals + 1))));
    }
    return document;
  }

  std::string Text() const {
    std::string text;
    for (const Section& section : sections) {
      if (!text.empty()) text += '\n';
      text += '[' + section.name + "]\n";
      for (const auto& [key, value] : section.entries) text += key + '=' + value + '\n';
    }
    return text;
  }

  Section* Find(REFCLSID clsid) {
    for (Section& section : sections) {
      auto parsed = GuidFromString(section.name);
      if (parsed && *parsed == clsid) return &section;
    }
    return nullptr;
  }

  Section& FindOrAdd(REFCLSID clsid) {
    if (Section* section = Find(clsid)) return *section;
    sections.push_back({GuidToString(clsid), {}});
    return sections.back();
  }

  void Remove(REFCLSID clsid) {
    std::erase_if(sections, [&](const Section& section) {
      auto parsed = GuidFromString(section.name);
      return parsed && *parsed == clsid;
    });
  }

  std::vector<Section> sections;
};

namespace {

std::string PinKey(std::size_t pin, std::string_view suffix) {
  return "Pin" + std::to_string(pin + 1) + std::string(suffix);
}

template <class SectionT>
RegisteredPin ReadPin(const SectionT& section, std::size_t index) {
  RegisteredPin pin;
  pin.name = Utf8ToWide(section.GetOr(PinKey(index, "")));
  pin.output = EqualsNoCase(section.GetOr(PinKey(index, ".Direction")), "Output");
  const std::string flags = section.GetOr(PinKey(index, ".Flags"));
  pin.rendered = flags.find("Rendered") != std::string::npos;
  pin.zero = flags.find("Zero") != std::string::npos;
  pin.many = flags.find("Many") != std::string::npos;
  pin.connectsToFilter = GuidFromString(section.GetOr(PinKey(index, ".ConnectsToFilter"))).value_or(GUID_NULL);
  pin.connectsToPin = Utf8ToWide(section.GetOr(PinKey(index, ".ConnectsToPin")));
  const std::size_t typeCount =
      std::min<std::size_t>(ParseNumber(section.GetOr(PinKey(index, ".Types"))).value_or(0), kMaxTypesPerPin);
  for (std::size_t t = 0; t < typeCount; ++t) {
    const std::string text = section.GetOr(PinKey(index, ".Type" + std::to_string(t + 1)));
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) continue;
    auto major = GuidFromString(std::string_view(text).substr(0, slash));
    auto minor = GuidFromString(std::string_view(text).substr(slash + 1));
    if (major && minor) pin.types.emplace_back(*major, *minor);
  }
  return pin;
}

template <class SectionT>
std::optional<RegisteredClass> ReadClass(const SectionT& section) {
  auto clsid = GuidFromString(section.name);
  if (!clsid) return std::nullopt;
  RegisteredClass entry;
  entry.clsid = *clsid;
  entry.className = Utf8ToWide(section.GetOr("Class"));
  entry.libraryPath = section.GetOr("Library");
  entry.threadingModel = section.GetOr("ThreadingModel");
  auto category = GuidFromString(section.GetOr("Category"));
  if (category) {
    RegisteredFilter filter;
    filter.category = *category;
    filter.friendlyName = Utf8ToWide(section.GetOr("FriendlyName"));
    filter.merit = static_cast<DWORD>(ParseNumber(section.GetOr("Merit")).value_or(0));
    const std::size_t pinCount = std::min<std::size_t>(ParseNumber(section.GetOr("Pins")).value_or(0), kMaxPins);
    for (std::size_t p = 0; p < pinCount; ++p) filter.pins.push_back(ReadPin(section, p));
    entry.filter = std::move(filter);
  }
  return entry;
}

template <class SectionT>
void WriteFilter(SectionT& section, const RegisteredFilter& filter) {
  std::erase_if(section.entries, [](const auto& entry) { return IsFilterKey(entry.first); });
  section.Set("Category", GuidToString(filter.category));
  section.Set("FriendlyName", WideToUtf8(filter.friendlyName));
  section.Set("Merit", MeritText(filter.merit));
  section.Set("Pins", std::to_string(filter.pins.size()));
  for (std::size_t p = 0; p < filter.pins.size(); ++p) {
    const RegisteredPin& pin = filter.pins[p];
    std::string flags;
    for (auto [on, word] :
         {std::pair{pin.rendered, "Rendered"}, std::pair{pin.zero, "Zero"}, std::pair{pin.many, "Many"}}) {
      if (!on) continue;
      if (!flags.empty()) flags += ',';
      flags += word;
    }
    section.Set(PinKey(p, ""), WideToUtf8(pin.name));
    section.Set(PinKey(p, ".Direction"), pin.output ? "Output" : "Input");
    section.Set(PinKey(p, ".Flags"), flags);
    section.Set(PinKey(p, ".ConnectsToFilter"), GuidToString(pin.connectsToFilter));
    section.Set(PinKey(p, ".ConnectsToPin"), WideToUtf8(pin.connectsToPin));
    section.Set(PinKey(p, ".Types"), std::to_string(pin.types.size()));
    for (std::size_t t = 0; t < pin.types.size(); ++t)
      section.Set(PinKey(p, ".Type" + std::to_string(t + 1)),
                  GuidToString(pin.types[t].first) + '/' + GuidToString(pin.types[t].second));
  }
}

}  // namespace

namespace {

constexpr std::string_view kRegistryFile = "tarnmedia/filters.ini";

std::filesystem::path UserFilterRegistryPath() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome != nullptr && *configHome == '/') return std::filesystem::path(configHome) / kRegistryFile;
  return tarn::settings::HomeFolder() / ".config" / kRegistryFile;
}

bool ExplicitRegistryGiven() {
  const char* explicitFile = std::getenv("TARNMEDIA_FILTERS");
  return explicitFile != nullptr && *explicitFile != '\0';
}

// The machine's configuration folders; relative entries are not valid there.
std::vector<std::filesystem::path> SystemConfigFolders() {
  std::vector<std::filesystem::path> folders;
  const char* list = std::getenv("XDG_CONFIG_DIRS");
  std::string_view rest = list != nullptr ? list : "";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    if (!folder.empty() && folder.front() == '/') folders.emplace_back(folder);
    rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
  }
  if (folders.empty()) folders.emplace_back("/etc/xdg");
  return folders;
}

}  // namespace

std::filesystem::path FilterRegistryPath() {
  if (ExplicitRegistryGiven()) return std::getenv("TARNMEDIA_FILTERS");
  return UserFilterRegistryPath();
}

std::filesystem::path SystemFilterRegistryPath() { return SystemConfigFolders().front() / kRegistryFile; }

std::vector<std::filesystem::path> FilterRegistryLookup() {
  std::vector<std::filesystem::path> files{FilterRegistryPath()};
  if (ExplicitRegistryGiven()) return files;
  for (const auto& folder : SystemConfigFolders()) {
    std::filesystem::path file = folder / kRegistryFile;
    if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(std::move(file));
  }
  return files;
}

FilterRegistry::FilterRegistry() : path_(FilterRegistryPath()), lookup_(FilterRegistryLookup()) {}
FilterRegistry::FilterRegistry(std::filesystem::path path) : path_(std::move(path)), lookup_{path_} {}

HRESULT FilterRegistry::Load(std::vector<RegisteredClass>* classes) const {
  if (classes == nullptr) return E_POINTER;
  classes->clear();
  for (const std::filesystem::path& file : lookup_) {
    const bool written = file == path_;
    tarn::settings::FileText text = tarn::settings::ReadWholeFile(file);
    if (text.error == std::errc::no_such_file_or_directory) continue;
    if (text.error) {
      if (written) return FromErrorCode(text.error);
      continue;
    }
    for (const auto& section : Document::Parse(text.text).sections) {
      auto entry = ReadClass(section);
      if (!entry) continue;
      const bool hidden = std::any_of(classes->begin(), classes->end(),
                                      [&](const RegisteredClass& known) { return known.clsid == entry->clsid; });
      if (!hidden) classes->push_back(std::move(*entry));
    }
  }
  return S_OK;
}

HRESULT FilterRegistry::Find(REFCLSID clsid, RegisteredClass* found) const {
  if (found == nullptr) return E_POINTER;
  std::vector<RegisteredClass> classes;
  HRESULT hr = Load(&classes);
  if (FAILED(hr)) return hr;
  for (RegisteredClass& entry : classes) {
    if (entry.clsid == clsid) {
      *found = std::move(entry);
      return S_OK;
    }
  }
  return REGDB_E_CLASSNOTREG;
}

HRESULT FilterRegistry::Edit(const std::function<void(Document&)>& change) const {
  std::error_code error;
  // A change that leaves an absent registry empty (removing what is not
  // there) creates neither the file nor its folder.
  if (!std::filesystem::exists(path_, error) && !error) {
    Document nothing;
    change(nothing);
    if (nothing.sections.empty()) return S_OK;
  }
  if (path_.has_parent_path()) {
    std::filesystem::create_directories(path_.parent_path(), error);
    if (error) return FromErrorCode(error);
  }
  tarn::settings::WriterLock lock(path_);
  if (lock.error()) return FromErrorCode(lock.error());
  tarn::settings::FileText file = tarn::settings::ReadWholeFile(path_);
  // Never replace a file we could not read: that would lose its entries.
  if (file.error && file.error != std::errc::no_such_file_or_directory) return FromErrorCode(file.error);
  Document document = Document::Parse(file.text);
  change(document);
  return FromErrorCode(tarn::settings::ReplaceFileContents(path_, document.Text()));
}

HRESULT FilterRegistry::RegisterClass(REFCLSID clsid, const std::wstring& name, const std::string& libraryPath,
                                      const std::string& threadingModel) const {
  return Edit([&](Document& document) {
    auto& section = document.FindOrAdd(clsid);
    section.Set("Class", WideToUtf8(name));
    section.Set("Library", libraryPath);
    section.Set("ThreadingModel", threadingModel);
  });
}

HRESULT FilterRegistry::UnregisterClass(REFCLSID clsid) const {
  return Edit([&](Document& document) { document.Remove(clsid); });
}

HRESULT FilterRegistry::RegisterFilter(REFCLSID clsid, const RegisteredFilter& filter) const {
  return Edit([&](Document& document) { WriteFilter(document.FindOrAdd(clsid), filter); });
}

HRESULT FilterRegistry::UnregisterFilter(REFCLSID clsid) const {
  return Edit([&](Document& document) {
    auto* section = document.Find(clsid);
    if (section == nullptr) return;
    std::erase_if(section->entries, [](const auto& entry) { return IsFilterKey(entry.first); });
    if (section->entries.empty()) document.Remove(clsid);
  });
}

HRESULT FilterRegistry::FindFiltersForInput(REFCLSID category, REFGUID majorType, REFGUID subtype, DWORD minimumMerit,
                                            std::vector<RegisteredClass>* found) const {
  if (found == nullptr) return E_POINTER;
  found->clear();
  std::vector<RegisteredClass> classes;
  HRESULT hr = Load(&classes);
  if (FAILED(hr)) return hr;
  auto accepts = [&](const RegisteredPin& pin) {
    if (pin.output) return false;
    return std::any_of(pin.types.begin(), pin.types.end(), [&](const auto& type) {
      return (type.first == GUID_NULL || type.first == majorType) &&
             (type.second == GUID_NULL || subtype == GUID_NULL || type.second == subtype);
    });
  };
  std::vector<std::pair<DWORD, std::size_t>> matches;  // merit, index
  for (std::size_t i = 0; i < classes.size(); ++i) {
    const auto& filter = classes[i].filter;
    if (!filter || filter->category != category || filter->merit < minimumMerit) continue;
    if (std::any_of(filter->pins.begin(), filter->pins.end(), accepts)) matches.emplace_back(filter->merit, i);
  }
  std::stable_sort(matches.begin(), matches.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& match : matches) found->push_back(std::move(classes[match.second]));
  return S_OK;
}

RegisteredFilter FilterFromSetup(const REGFILTER2& setup, LPCWSTR name, REFCLSID category) {
  RegisteredFilter filter;
  filter.category = category;
  filter.friendlyName = name != nullptr ? name : L"";
  filter.merit = setup.dwMerit;
  for (ULONG p = 0; p < setup.cPins && setup.rgPins != nullptr; ++p) {
    const REGFILTERPINS& source = setup.rgPins[p];
    RegisteredPin pin;
    pin.name = source.strName != nullptr ? source.strName : L"";
    pin.output = source.bOutput != FALSE;
    pin.rendered = source.bRendered != FALSE;
    pin.zero = source.bZero != FALSE;
    pin.many = source.bMany != FALSE;
    pin.connectsToFilter = source.clsConnectsToFilter != nullptr ? *source.clsConnectsToFilter : GUID_NULL;
    pin.connectsToPin = source.strConnectsToPin != nullptr ? source.strConnectsToPin : L"";
    for (ULONG t = 0; t < source.nMediaTypes && source.lpMediaType != nullptr; ++t) {
      const REGPINTYPES& type = source.lpMediaType[t];
      pin.types.emplace_back(type.clsMajorType != nullptr ? *type.clsMajorType : GUID_NULL,
                             type.clsMinorType != nullptr ? *type.clsMinorType : GUID_NULL);
    }
    filter.pins.push_back(std::move(pin));
  }
  return filter;
}

}  // namespace tarn::media
