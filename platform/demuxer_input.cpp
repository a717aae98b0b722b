#include "platform/demuxer_input.h"

namespace tarn::platform {

int OpenDemuxerInput(const std::string& path, const DemuxerOptions& options, FormatContextPtr& format,
                     std::string* unused) {
  AVDictionary* dictionary = nullptr;
  const AVInputFormat* inputFormat = nullptr;
  for (const auto& [name, value] : options) {
    if (name == "format")
      inputFormat = av_find_input_format(value.c_str());
    else
      av_dict_set(&dictionary, name.c_str(), value.c_str(), 0);
  }
  AVFormatContext* opened = nullptr;
  const int error = avformat_open_input(&opened, path.c_str(), inputFormat, &dictionary);
  if (unused != nullptr)
    *unused = av_dict_count(dictionary) > 0 ? av_dict_get(dictionary, "", nullptr, AV_DICT_IGNORE_SUFFIX)->key : "";
  av_dict_free(&dictionary);
  if (error >= 0) format.reset(opened);
  return error;
}

}  // namespace tarn::platform
