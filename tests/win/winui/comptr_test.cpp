// The COM pointer and string: every reference taken is given back once.
#include "winui/ComPtr.h"

#include <gtest/gtest.h>

namespace {

// An object that counts its references and answers only IUnknown.
class Counted final : public IUnknown {
public:
    long refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown ? this : nullptr;
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
};

}  // namespace

TEST(ComPtr, CopiesQueriesAndGivesEveryReferenceBack)
{
    Counted object;
    {
        const auto first = ComPtr<Counted>::adopt(&object);
        ComPtr<Counted> copy = first;
        EXPECT_EQ(object.refs, 2);
        const ComPtr<IUnknown> asked = copy.as<IUnknown>();
        EXPECT_EQ(asked.get(), static_cast<IUnknown*>(&object));
        EXPECT_EQ(object.refs, 3);
        EXPECT_FALSE(copy.as<IDispatch>());  // an interface it lacks: nothing held
        ComPtr<Counted> moved = std::move(copy);
        copy = moved;  // assigned over an empty one
        moved = first;  // assigned over one holding the same object
        EXPECT_EQ(object.refs, 4);
    }
    EXPECT_EQ(object.refs, 0);
    EXPECT_FALSE(ComPtr<Counted>().as<IUnknown>());
}

TEST(ComString, HoldsTheWholeTextWithItsLength)
{
    const ComString s(std::wstring(L"C:\\a\0b", 6));
    ASSERT_TRUE(s);
    EXPECT_EQ(SysStringLen(s.get()), 6u);
    EXPECT_EQ(std::wstring(s.get(), 6), std::wstring(L"C:\\a\0b", 6));
}
