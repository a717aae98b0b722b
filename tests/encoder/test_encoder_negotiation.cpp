// What the video encoder filter answers while pins connect: input types, the derived RGB24
// description, the output type, buffer sizes and its interfaces.
#include <cstring>

#include "encoder/encoder_media_types.h"
#include "tests/support/encoder_test_support.h"

namespace {

using media_test::VideoType;
using tarn::venc::DescribeInput;
using tarn::venc::WorkingInput;
using venc_test::EncoderChain;

CMediaType VideoInfo2Type(const GUID& subtype, LONG width, LONG height, WORD bitCount) {
  CMediaType type(&MEDIATYPE_Video);
  type.SetSubtype(&subtype);
  type.SetFormatType(&FORMAT_VideoInfo2);
  auto* format = reinterpret_cast<VIDEOINFOHEADER2*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER2)));
  format->rcSource = RECT{0, 0, width, height};
  format->dwBitRate = 0xA0000001u;  // times 3 wraps around 32 bits before halving
  format->dwBitErrorRate = 7;
  format->AvgTimePerFrame = 333'667;
  format->dwPictAspectRatioX = 0x18;  // would read as biBitCount 24 at the VideoInfo offset
  format->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format->bmiHeader.biWidth = width;
  format->bmiHeader.biHeight = height;
  format->bmiHeader.biBitCount = bitCount;
  return type;
}

HRESULT Describe(const CMediaType& type, WorkingInput* working) { return DescribeInput(&type, working); }

TEST(EncoderInputTypes, AnswersEveryRejectionWithItsOwnCode) {
  EXPECT_EQ(DescribeInput(nullptr, nullptr), E_POINTER);

  CMediaType mpeg = VideoType(MEDIASUBTYPE_RGB24, 320, 240, 24);
  mpeg.SetFormatType(&FORMAT_MPEG2Video);
  EXPECT_EQ(DescribeInput(&mpeg, nullptr), E_INVALIDARG);
  CMediaType shortBlock = VideoType(MEDIASUBTYPE_YUY2, 320, 240, 16);
  shortBlock.ReallocFormatBuffer(60);
  EXPECT_EQ(DescribeInput(&shortBlock, nullptr), E_INVALIDARG);

  CMediaType audio = VideoType(MEDIASUBTYPE_RGB24, 320, 240, 24);
  audio.SetType(&MEDIATYPE_Audio);
  EXPECT_EQ(DescribeInput(&audio, nullptr), E_FAIL);
  EXPECT_EQ(Describe(VideoType(MEDIASUBTYPE_RGB24, 320, 240, 32), nullptr), E_FAIL);
  EXPECT_EQ(Describe(VideoType(MEDIASUBTYPE_RGB32, 320, 240, 24), nullptr), E_FAIL);
  EXPECT_EQ(Describe(VideoType(MEDIASUBTYPE_RGB24, 320, -240, 24), nullptr), E_FAIL);
  EXPECT_EQ(Describe(VideoType(MEDIASUBTYPE_YUY2, 0, 240, 16), nullptr), E_FAIL);
  CMediaType huge = VideoType(MEDIASUBTYPE_YUY2, 16, 16, 16);
  reinterpret_cast<VIDEOINFOHEADER*>(huge.Format())->bmiHeader.biWidth = 40000;
  reinterpret_cast<VIDEOINFOHEADER*>(huge.Format())->bmiHeader.biHeight = 40000;
  EXPECT_EQ(Describe(huge, nullptr), E_FAIL);

  // YUY2 needs nothing further: any bit count passes.
  EXPECT_EQ(Describe(VideoType(MEDIASUBTYPE_YUY2, 320, 240, 0), nullptr), S_OK);
  EXPECT_EQ(Describe(VideoType(MEDIASUBTYPE_RGB24, 320, 240, 24), nullptr), S_OK);
}

TEST(EncoderInputTypes, Rgb24VideoInfoIsTakenAsItIs) {
  const CMediaType input = VideoType(MEDIASUBTYPE_RGB24, 352, 288, 24);
  WorkingInput working;
  ASSERT_EQ(DescribeInput(&input, &working), S_OK);
  EXPECT_FALSE(working.yuy2);
  EXPECT_TRUE(working.type == input);
  EXPECT_EQ(std::memcmp(&working.format, input.Format(), sizeof(VIDEOINFOHEADER)), 0);
}

TEST(EncoderInputTypes, Yuy2GetsAnRgb24DescriptionFromEitherFormatBlock) {
  for (const bool videoInfo2 : {false, true}) {
    SCOPED_TRACE(videoInfo2 ? "VideoInfo2" : "VideoInfo");
    CMediaType input =
        videoInfo2 ? VideoInfo2Type(MEDIASUBTYPE_YUY2, 720, 480, 16) : VideoType(MEDIASUBTYPE_YUY2, 720, 480, 16);
    if (!videoInfo2) {
      auto* format = reinterpret_cast<VIDEOINFOHEADER*>(input.Format());
      format->rcSource = RECT{0, 0, 720, 480};
      format->dwBitRate = 0xA0000001u;
      format->dwBitErrorRate = 7;
      format->AvgTimePerFrame = 333'667;
    }
    WorkingInput working;
    ASSERT_EQ(DescribeInput(&input, &working), S_OK);
    EXPECT_TRUE(working.yuy2);
    EXPECT_EQ(working.type.majortype, MEDIATYPE_Video);
    EXPECT_EQ(working.type.subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(working.type.formattype, FORMAT_VideoInfo);
    EXPECT_TRUE(working.type.IsFixedSize());
    EXPECT_FALSE(working.type.IsTemporalCompressed());
    EXPECT_EQ(working.type.lSampleSize, 720u * 480 * 3);
    ASSERT_EQ(working.type.FormatLength(), 88u);

    const VIDEOINFOHEADER& format = working.format;
    EXPECT_EQ(format.rcSource.right, 720);
    EXPECT_EQ(format.rcSource.bottom, 480);
    EXPECT_EQ(format.dwBitRate, static_cast<DWORD>(0xA0000001u * 3u) / 2u);
    EXPECT_EQ(format.dwBitErrorRate, 10u);
    EXPECT_EQ(format.AvgTimePerFrame, 333'667);
    EXPECT_EQ(format.bmiHeader.biSize, 40u);
    EXPECT_EQ(format.bmiHeader.biWidth, 720);
    EXPECT_EQ(format.bmiHeader.biHeight, 480);
    EXPECT_EQ(format.bmiHeader.biPlanes, 1);
    EXPECT_EQ(format.bmiHeader.biBitCount, 24);
    EXPECT_EQ(format.bmiHeader.biCompression, BI_RGB);
    EXPECT_EQ(format.bmiHeader.biSizeImage, 720u * 480 * 3);
    EXPECT_EQ(std::memcmp(&format, working.type.Format(), 88), 0);
  }
  // A picture the input check accepts whose size in bits passes 2^31: the size is still exact.
  WorkingInput large;
  ASSERT_EQ(Describe(VideoType(MEDIASUBTYPE_YUY2, 20000, 10000, 16), &large), S_OK);
  EXPECT_EQ(large.format.bmiHeader.biSizeImage, 600'000'000u);
  EXPECT_EQ(large.type.lSampleSize, 600'000'000u);
  // RGB24 in a VideoInfo2 block: the bit count is read from its own bitmap header.
  WorkingInput working;
  EXPECT_EQ(Describe(VideoInfo2Type(MEDIASUBTYPE_RGB24, 320, 240, 32), &working), E_FAIL);
  ASSERT_EQ(Describe(VideoInfo2Type(MEDIASUBTYPE_RGB24, 320, 240, 24), &working), S_OK);
  EXPECT_FALSE(working.yuy2);
  EXPECT_EQ(working.type.formattype, FORMAT_VideoInfo);
  EXPECT_EQ(working.format.bmiHeader.biWidth, 320);
}

// Records the request and answers as told.
class ScriptedAllocator final : public CUnknown, public IMemAllocator {
 public:
  ScriptedAllocator() : CUnknown(L"Scripted allocator", nullptr) {}
  DECLARE_IUNKNOWN
  HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override {
    asked = *request;
    *actual = granted.value_or(*request);
    return answer;
  }
  HRESULT GetProperties(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  HRESULT Commit() override { return E_NOTIMPL; }
  HRESULT Decommit() override { return E_NOTIMPL; }
  HRESULT GetBuffer(IMediaSample**, REFERENCE_TIME*, REFERENCE_TIME*, DWORD) override { return E_NOTIMPL; }
  HRESULT ReleaseBuffer(IMediaSample*) override { return E_NOTIMPL; }

  HRESULT answer = S_OK;
  std::optional<ALLOCATOR_PROPERTIES> granted;
  ALLOCATOR_PROPERTIES asked{};
};

TEST_F(EncoderChain, OffersOnlyTheFixedPreviewTypeOnceTheInputIsConnected) {
  CMediaType type;
  EXPECT_EQ(encoder->GetMediaType(0, &type), E_UNEXPECTED);
  ASSERT_EQ(source->pin.Connect(encoder->GetPin(0), nullptr), S_OK);
  EXPECT_EQ(encoder->GetMediaType(-1, &type), E_INVALIDARG);
  EXPECT_EQ(encoder->GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(encoder->GetMediaType(0, nullptr), E_POINTER);
  ASSERT_EQ(encoder->GetMediaType(0, &type), S_OK);

  EXPECT_EQ(type.majortype, MEDIATYPE_Video);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(type.formattype, FORMAT_VideoInfo);
  EXPECT_TRUE(type.IsFixedSize());
  EXPECT_FALSE(type.IsTemporalCompressed());
  EXPECT_EQ(type.lSampleSize, 115'200u);
  ASSERT_EQ(type.FormatLength(), 88u);
  VIDEOINFOHEADER format;
  std::memcpy(static_cast<void*>(&format), type.Format(), sizeof(format));
  EXPECT_EQ(format.rcSource.left, 0);
  EXPECT_EQ(format.rcSource.right, 240);
  EXPECT_EQ(format.rcSource.bottom, 160);
  EXPECT_EQ(format.rcTarget.right, 0);
  EXPECT_EQ(format.dwBitRate, 9'216'000u);
  EXPECT_EQ(format.dwBitErrorRate, 0u);
  EXPECT_EQ(format.AvgTimePerFrame, 1'000'000);
  EXPECT_EQ(format.bmiHeader.biSize, 40u);
  EXPECT_EQ(format.bmiHeader.biWidth, 240);
  EXPECT_EQ(format.bmiHeader.biHeight, 160);
  EXPECT_EQ(format.bmiHeader.biPlanes, 1);
  EXPECT_EQ(format.bmiHeader.biBitCount, 24);
  EXPECT_EQ(format.bmiHeader.biSizeImage, 115'200u);
  EXPECT_EQ(format.bmiHeader.biXPelsPerMeter, 0);
  EXPECT_EQ(format.bmiHeader.biClrUsed, 0u);

  // The output may only be RGB24 video; the input must pass the input test.
  const CMediaType rgb = VideoType(MEDIASUBTYPE_RGB24, 16, 16, 24);
  const CMediaType yuy2 = VideoType(MEDIASUBTYPE_YUY2, 16, 16, 16);
  EXPECT_EQ(encoder->CheckTransform(nullptr, &rgb), E_POINTER);
  EXPECT_EQ(encoder->CheckTransform(&rgb, nullptr), E_POINTER);
  EXPECT_EQ(encoder->CheckTransform(&yuy2, &rgb), S_OK);
  EXPECT_EQ(encoder->CheckTransform(&rgb, &yuy2), E_FAIL);
  const CMediaType rgb32 = VideoType(MEDIASUBTYPE_RGB32, 16, 16, 32);
  EXPECT_EQ(encoder->CheckTransform(&rgb32, &rgb), E_FAIL);
}

TEST_F(EncoderChain, AsksForOneBufferLargeEnoughForTheConvertedInput) {
  ComPtr<ScriptedAllocator> allocator(new ScriptedAllocator);
  ALLOCATOR_PROPERTIES request{3, 10, 16, 8};
  EXPECT_EQ(encoder->DecideBufferSize(allocator.Get(), &request), E_UNEXPECTED);

  UseInput(VideoType(MEDIASUBTYPE_YUY2, 720, 480, 16), 720 * 480 * 2);
  ASSERT_EQ(source->pin.Connect(encoder->GetPin(0), nullptr), S_OK);
  EXPECT_EQ(encoder->DecideBufferSize(nullptr, &request), E_POINTER);
  EXPECT_EQ(encoder->DecideBufferSize(allocator.Get(), nullptr), E_POINTER);
  ASSERT_EQ(encoder->DecideBufferSize(allocator.Get(), &request), S_OK);
  EXPECT_EQ(allocator->asked.cBuffers, 1);
  EXPECT_EQ(allocator->asked.cbBuffer, 720 * 480 * 3);
  EXPECT_EQ(allocator->asked.cbAlign, 16);
  EXPECT_EQ(allocator->asked.cbPrefix, 8);

  allocator->granted = ALLOCATOR_PROPERTIES{1, 720 * 480 * 3 - 1, 16, 8};
  EXPECT_EQ(encoder->DecideBufferSize(allocator.Get(), &request), E_FAIL);
  allocator->granted = ALLOCATOR_PROPERTIES{0, 720 * 480 * 3, 16, 8};
  EXPECT_EQ(encoder->DecideBufferSize(allocator.Get(), &request), E_FAIL);
  allocator->granted.reset();
  allocator->answer = VFW_E_ALREADY_COMMITTED;
  EXPECT_EQ(encoder->DecideBufferSize(allocator.Get(), &request), VFW_E_ALREADY_COMMITTED);

  // A small input still gets room for the preview and more.
  source->pin.Disconnect();
  encoder->GetPin(0)->Disconnect();
  UseRgb24Input(64, 48);
  ASSERT_EQ(source->pin.Connect(encoder->GetPin(0), nullptr), S_OK);
  allocator->answer = S_OK;
  ASSERT_EQ(encoder->DecideBufferSize(allocator.Get(), &request), S_OK);
  EXPECT_EQ(allocator->asked.cbBuffer, 153'600);
}

TEST_F(EncoderChain, AnswersTheClockInterfaceWithItsAggregatedClock) {
  EXPECT_EQ(encoder->NonDelegatingQueryInterface(IID_IReferenceClock, nullptr), E_POINTER);
  ComPtr<IReferenceClock> clock;
  ASSERT_EQ(encoder->QueryInterface(IID_IReferenceClock, clock.ReleaseAndGetAddressOfVoid()), S_OK);
  EXPECT_EQ(clock.Get(), static_cast<IReferenceClock*>(&encoder->Clock()));
  // The clock's IUnknown is the filter's.
  ComPtr<IUnknown> fromClock;
  ComPtr<IUnknown> fromFilter;
  ASSERT_EQ(clock->QueryInterface(IID_IUnknown, fromClock.ReleaseAndGetAddressOfVoid()), S_OK);
  ASSERT_EQ(encoder->QueryInterface(IID_IUnknown, fromFilter.ReleaseAndGetAddressOfVoid()), S_OK);
  EXPECT_EQ(fromClock.Get(), fromFilter.Get());
  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(clock->QueryInterface(IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid()), S_OK);

  // The pins carry the framework's names.
  PIN_INFO info;
  encoder->GetPin(0)->QueryPinInfo(&info);
  EXPECT_STREQ(info.achName, L"XForm In");
  info.pFilter->Release();
  encoder->GetPin(1)->QueryPinInfo(&info);
  EXPECT_STREQ(info.achName, L"XForm Out");
  info.pFilter->Release();
}

}  // namespace
