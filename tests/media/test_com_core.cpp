// GUID text, result codes, reference counting, aggregation and class factories.
#include "media/com/ClassFactory.h"
#include "media/com/ComPtr.h"
#include "media/dshow/Interfaces.h"
#include "media/dshow/MediaTypeGuids.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <new>

namespace {

TEST(Guid, FormatsAndParsesTheBracedForm) {
  EXPECT_EQ(GuidToString(MEDIASUBTYPE_RGB24), "{E436EB7D-524F-11CE-9F53-0020AF0BA770}");
  EXPECT_EQ(GuidToString(MEDIATYPE_Video), "{73646976-0000-0010-8000-00AA00389B71}");

  auto parsed = GuidFromString("{f28300a0-f0cc-11cf-93d5-ec81c795857f}");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(GuidToString(*parsed), "{F28300A0-F0CC-11CF-93D5-EC81C795857F}");
  EXPECT_EQ(GuidFromString("E436EB7D-524F-11CE-9F53-0020AF0BA770"), MEDIASUBTYPE_RGB24);

  for (const char* bad : {"", "{E436EB7D-524F-11CE-9F53-0020AF0BA770", "{E436EB7D-524F-11CE-9F53-0020AF0BA77G}",
                          "{E436EB7D+524F-11CE-9F53-0020AF0BA770}", "{E436EB7D-524F-11CE-9F53-0020AF0BA7700}"})
    EXPECT_FALSE(GuidFromString(bad)) << bad;
}

TEST(HResult, SystemErrorsKeepTheLow16BitsUnderTheWin32Facility) {
  EXPECT_EQ(HResultFromErrno(0), S_OK);
  EXPECT_EQ(static_cast<std::uint32_t>(HResultFromErrno(ENOSPC)), 0x80070000u | ENOSPC);
  EXPECT_EQ(static_cast<std::uint32_t>(HRESULT_FROM_WIN32(0x12345)), 0x80072345u);
  EXPECT_TRUE(FAILED(E_POINTER) && FAILED(VFW_E_SAMPLE_TIME_NOT_SET));
  EXPECT_TRUE(SUCCEEDED(S_FALSE) && SUCCEEDED(VFW_S_NO_STOP_TIME) && SUCCEEDED(VFW_S_NO_MORE_ITEMS));
}

// An object with one extra interface, optionally aggregated.
struct IProbe : IUnknown {
  static constexpr IID kIid{0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 5, 5, 5, 5}};
  virtual int Value() = 0;
};

class Probe final : public CUnknown, public IProbe {
 public:
  explicit Probe(IUnknown* outer) : CUnknown(L"Probe", outer) {}
  static CUnknown* Create(IUnknown* outer, HRESULT*) { return new (std::nothrow) Probe(outer); }
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (riid == IProbe::kIid) return GetInterface(static_cast<IProbe*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
  }
  int Value() override { return 42; }
};

// An owner that aggregates a Probe and exposes IProbe as its own.
class Owner final : public CUnknown, public IPersist {
 public:
  Owner() : CUnknown(L"Owner", nullptr) {
    inner_ = ComPtr<IUnknown>(static_cast<Probe*>(Probe::Create(GetOwner(), nullptr))->NonDelegatingUnknown());
  }
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IPersist) return GetInterface(static_cast<IPersist*>(this), ppv);
    if (riid == IProbe::kIid) return inner_->QueryInterface(riid, ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
  }
  HRESULT GetClassID(CLSID* clsid) override {
    *clsid = GUID_NULL;
    return S_OK;
  }

 private:
  ComPtr<IUnknown> inner_;
};

TEST(ComObjects, AggregatedObjectSharesTheOwnersIdentityAndCount) {
  const LONG before = ModuleObjectCount();
  {
    auto* owner = new Owner;
    ComPtr<IPersist> persist;
    ASSERT_EQ(QueryInterfaceAs(owner->NonDelegatingUnknown(), persist.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(ModuleObjectCount(), before + 2);

    ComPtr<IProbe> probe;
    ASSERT_EQ(persist.As(&probe), S_OK);
    EXPECT_EQ(probe->Value(), 42);
    const ULONG ownerCount = owner->ReferenceCount();
    probe->AddRef();
    EXPECT_EQ(owner->ReferenceCount(), ownerCount + 1);  // the inner object's count is the owner's
    probe->Release();

    // Asking the inner interface for anything goes through the owner.
    ComPtr<IPersist> back;
    EXPECT_EQ(probe.As(&back), S_OK);
    ComPtr<IUnknown> unknownOfProbe, unknownOfOwner;
    probe.As(&unknownOfProbe);
    persist.As(&unknownOfOwner);
    EXPECT_EQ(unknownOfProbe.Get(), unknownOfOwner.Get());
  }
  EXPECT_EQ(ModuleObjectCount(), before);  // both went with the last reference
}

const CFactoryTemplate kTemplates[] = {{L"Probe", &IProbe::kIid, &Probe::Create, nullptr, nullptr}};

TEST(ClassFactory, HandsOutOnlyListedClassesAndTheFactoryInterfaces) {
  ComPtr<IClassFactory> factory;
  void** slot = factory.ReleaseAndGetAddressOfVoid();
  EXPECT_EQ(GetClassObjectFromTemplates(kTemplates, IID_IUnknown /* wrong class */, IID_IClassFactory, slot),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(GetClassObjectFromTemplates(kTemplates, IProbe::kIid, IID_IPersist, slot), E_NOINTERFACE);
  ASSERT_EQ(GetClassObjectFromTemplates(kTemplates, IProbe::kIid, IID_IClassFactory, slot), S_OK);

  ComPtr<IProbe> probe;
  ASSERT_EQ(factory->CreateInstance(nullptr, IProbe::kIid, probe.ReleaseAndGetAddressOfVoid()), S_OK);
  EXPECT_EQ(probe->Value(), 42);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPersist, probe.ReleaseAndGetAddressOfVoid()), E_NOINTERFACE);

  // With an outer object only the non-delegating IUnknown may be asked for.
  Owner* owner = new Owner;
  ComPtr<IUnknown> ownerRef(owner->NonDelegatingUnknown());
  EXPECT_EQ(factory->CreateInstance(ownerRef.Get(), IProbe::kIid, probe.ReleaseAndGetAddressOfVoid()), E_NOINTERFACE);
}

TEST(ClassFactory, UnloadIsRefusedWhileObjectsLiveOrTheServerIsLocked) {
  ASSERT_EQ(ModuleCanUnloadNow(), S_OK);
  {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(
        GetClassObjectFromTemplates(kTemplates, IProbe::kIid, IID_IClassFactory, factory.ReleaseAndGetAddressOfVoid()),
        S_OK);
    EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE);  // the factory itself is an object
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE);
    ModuleLockServer(false);
  }
  EXPECT_EQ(ModuleCanUnloadNow(), S_OK);
}

}  // namespace
