// Media types, sample properties and the memory allocator.
#include "media/base/MemAllocator.h"
#include "media/com/ComPtr.h"

#include "tests/support/media_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <thread>

namespace {

using media_test::VideoType;

TEST(MediaType, CopiesOwnTheirFormatBlock) {
  CMediaType original = VideoType(MEDIASUBTYPE_RGB24, 720, 480, 24);
  CMediaType copy = original;
  ASSERT_NE(copy.Format(), original.Format());
  EXPECT_TRUE(copy == original);
  reinterpret_cast<VIDEOINFOHEADER*>(copy.Format())->bmiHeader.biWidth = 640;
  EXPECT_FALSE(copy == original);
  EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(original.Format())->bmiHeader.biWidth, 720);

  AM_MEDIA_TYPE* created = CreateMediaType(&original);
  ASSERT_NE(created, nullptr);
  EXPECT_NE(created->pbFormat, original.pbFormat);
  EXPECT_EQ(std::memcmp(created->pbFormat, original.pbFormat, original.cbFormat), 0);
  DeleteMediaType(created);

  CMediaType moved = std::move(copy);
  EXPECT_EQ(copy.Format(), nullptr);
  EXPECT_EQ(moved.FormatLength(), sizeof(VIDEOINFOHEADER));
}

TEST(MediaType, PartialMatchIgnoresOpenFields) {
  CMediaType full = VideoType(MEDIASUBTYPE_YUY2, 16, 16, 16);
  CMediaType videoOnly(&MEDIATYPE_Video);
  EXPECT_TRUE(videoOnly.IsPartiallySpecified());
  EXPECT_TRUE(full.MatchesPartial(&videoOnly));
  CMediaType rgb(&MEDIATYPE_Video);
  rgb.SetSubtype(&MEDIASUBTYPE_RGB24);
  EXPECT_FALSE(full.MatchesPartial(&rgb));
}

TEST(MediaSample, TimesFollowTheFrameworkRules) {
  BYTE buffer[16];
  ComPtr<IMediaSample> sample(new CMediaSample(nullptr, buffer, sizeof buffer));
  REFERENCE_TIME start = -1, stop = -1;
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);

  REFERENCE_TIME s = 1000, e = 2000;
  sample->SetTime(&s, &e);
  EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
  EXPECT_EQ(start, 1000);
  EXPECT_EQ(stop, 2000);

  sample->SetTime(&s, nullptr);  // start only: the stop reads start + 1
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
  EXPECT_EQ(stop, 1001);

  sample->SetTime(nullptr, nullptr);
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);

  LONGLONG ms = 0, me = 0;
  EXPECT_EQ(sample->GetMediaTime(&ms, &me), VFW_E_MEDIA_TIME_NOT_SET);
  LONGLONG a = 5, b = 6;
  EXPECT_EQ(sample->SetMediaTime(&a, nullptr), E_POINTER);
  sample->SetMediaTime(&a, &b);
  EXPECT_EQ(sample->GetMediaTime(&ms, &me), S_OK);
  EXPECT_EQ(ms, 5);
  EXPECT_EQ(me, 6);
}

TEST(MediaSample, FlagsLengthAndTypeChange) {
  BYTE buffer[16];
  ComPtr<IMediaSample> sample(new CMediaSample(nullptr, buffer, sizeof buffer));
  EXPECT_EQ(sample->IsSyncPoint(), S_FALSE);
  EXPECT_EQ(sample->IsPreroll(), S_FALSE);
  EXPECT_EQ(sample->IsDiscontinuity(), S_FALSE);
  sample->SetSyncPoint(TRUE);
  sample->SetPreroll(TRUE);
  sample->SetDiscontinuity(TRUE);
  EXPECT_EQ(sample->IsSyncPoint(), S_OK);
  EXPECT_EQ(sample->IsPreroll(), S_OK);
  EXPECT_EQ(sample->IsDiscontinuity(), S_OK);
  sample->SetPreroll(FALSE);
  EXPECT_EQ(sample->IsPreroll(), S_FALSE);
  EXPECT_EQ(sample->IsSyncPoint(), S_OK);

  EXPECT_EQ(sample->GetSize(), 16);
  EXPECT_EQ(sample->SetActualDataLength(17), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(sample->SetActualDataLength(-1), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(sample->SetActualDataLength(7), S_OK);
  EXPECT_EQ(sample->GetActualDataLength(), 7);

  AM_MEDIA_TYPE* type = reinterpret_cast<AM_MEDIA_TYPE*>(1);
  EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);
  EXPECT_EQ(type, nullptr);
  CMediaType attached = VideoType(MEDIASUBTYPE_RGB24, 240, 160, 24);
  sample->SetMediaType(&attached);
  ASSERT_EQ(sample->GetMediaType(&type), S_OK);
  EXPECT_TRUE(CMediaType(*type) == attached);
  DeleteMediaType(type);
}

class Allocator : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CMemAllocator::Create(allocator.ReleaseAndGetAddressOf()), S_OK); }
  HRESULT Set(LONG count, LONG size, LONG align, LONG prefix = 0) {
    ALLOCATOR_PROPERTIES request{count, size, align, prefix};
    return allocator->SetProperties(&request, &actual);
  }
  ComPtr<IMemAllocator> allocator;
  ALLOCATOR_PROPERTIES actual{};
};

TEST_F(Allocator, RoundsBuffersToTheAlignmentAndRefusesBadOnes) {
  EXPECT_EQ(Set(1, 100, 3), VFW_E_BADALIGN);
  EXPECT_EQ(Set(1, 100, 0), VFW_E_BADALIGN);
  EXPECT_EQ(allocator->Commit(), VFW_E_SIZENOTSET);
  ASSERT_EQ(Set(2, 100, 16, 4), S_OK);
  EXPECT_EQ(actual.cBuffers, 2);
  EXPECT_EQ((actual.cbBuffer + actual.cbPrefix) % 16, 0);
  EXPECT_GE(actual.cbBuffer, 100);

  ASSERT_EQ(allocator->Commit(), S_OK);
  EXPECT_EQ(Set(1, 10, 1), VFW_E_ALREADY_COMMITTED);
  ComPtr<IMediaSample> sample;
  ASSERT_EQ(allocator->GetBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0), S_OK);
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % 16, 0u);
  EXPECT_EQ(sample->GetSize(), actual.cbBuffer);
  allocator->Decommit();
  EXPECT_EQ(Set(1, 10, 1), VFW_E_BUFFERS_OUTSTANDING);
  sample.Reset();
  EXPECT_EQ(Set(1, 10, 1), S_OK);
}

TEST_F(Allocator, ReturnedSamplesComeBackClean) {
  ASSERT_EQ(Set(1, 64, 1), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  ComPtr<IMediaSample> sample;
  ASSERT_EQ(allocator->GetBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0), S_OK);
  REFERENCE_TIME s = 1, e = 2;
  sample->SetTime(&s, &e);
  sample->SetSyncPoint(TRUE);
  sample->SetActualDataLength(3);
  EXPECT_EQ(allocator->GetBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, AM_GBF_NOWAIT), S_OK)
      << "the only buffer came back when the old reference went";
  EXPECT_EQ(sample->GetTime(&s, &e), VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(sample->IsSyncPoint(), S_FALSE);
  EXPECT_EQ(sample->GetActualDataLength(), 64);

  ComPtr<IMediaSample> second;
  EXPECT_EQ(allocator->GetBuffer(second.ReleaseAndGetAddressOf(), nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
}

TEST_F(Allocator, DecommitWakesAWaitingGetBufferAndOutlivesItsSamples) {
  ASSERT_EQ(Set(1, 64, 1), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  ComPtr<IMediaSample> held;
  ASSERT_EQ(allocator->GetBuffer(held.ReleaseAndGetAddressOf(), nullptr, nullptr, 0), S_OK);

  auto waiter = std::async(std::launch::async, [this] {
    ComPtr<IMediaSample> sample;
    return allocator->GetBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
  });
  EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  allocator->Decommit();
  ASSERT_EQ(waiter.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(waiter.get(), VFW_E_NOT_COMMITTED);

  allocator.Reset();  // the outstanding sample keeps the allocator alive
  BYTE* data = nullptr;
  held->GetPointer(&data);
  data[0] = 1;
  held.Reset();
}

}  // namespace
