#include "tools/tmvtool/graph_messages.h"

#include <filesystem>

#include "media/registry/FilterRegistry.h"
#include "media/registry/HResultText.h"
#include "tools/tmvtool/subcommand.h"
#include "tools/tmvtool/tool_text.h"

namespace tarn::tmvtool {

namespace {

// The words of a described code: "0x80070057 (E_INVALIDARG: invalid argument)" gives
// "invalid argument".
std::string Words(HRESULT hr) {
  const std::string described = media::DescribeHResult(hr);
  const std::size_t open = described.find('(');
  if (open == std::string::npos) return {};
  std::string words = described.substr(open + 1, described.size() - open - 2);
  if (const std::size_t colon = words.find(": "); colon != std::string::npos) words = words.substr(colon + 2);
  return words;
}

}  // namespace

std::string Reason(HRESULT hr) {
  const std::string words = Words(hr);
  // A code without a name is all there is to say.
  if (words.empty()) return Tr("an unexpected failure, %1", media::DescribeHResult(hr));
  return TrLower(words) + CodeNote(media::DescribeHResult(hr));
}

std::string NotRegistered(const std::string& what) {
  const std::filesystem::path registry = media::FilterRegistryPath();
  std::error_code error;
  if (!std::filesystem::exists(registry, error))
    return Tr(
        "%1 is not registered: there is no filter registry at %2 (TARNMEDIA_FILTERS names another; tarnregsvr "
        "registers the filter libraries)",
        what, registry.string());
  return Tr("%1 is not in the filter registry %2 (tarnregsvr registers it)", what, registry.string());
}

}  // namespace tarn::tmvtool
