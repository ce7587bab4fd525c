#include "update/Win32Download.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>

namespace {

// A binding that takes Abort but never confirms its end: no OnStopBinding.
struct DeafBinding final : IBinding {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Abort() override
    {
        ++aborts;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Suspend() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Resume() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPriority(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBindResult(CLSID*, DWORD*, LPOLESTR*, DWORD*) override { return E_NOTIMPL; }
    int aborts = 0;
};

// Hands bytes to the binding's callback as a stream, as the service does.
HRESULT deliver(DownloadBinding& callback, const std::string& bytes)
{
    IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    const ComPtr<IStream> owned = ComPtr<IStream>::adopt(stream);
    STGMEDIUM medium = {};
    medium.tymed = TYMED_ISTREAM;
    medium.pstm = owned.get();
    FORMATETC format = {};
    return callback.OnDataAvailable(BSCF_LASTDATANOTIFICATION, static_cast<DWORD>(bytes.size()), &format, &medium);
}

FileHandle createFile(const char* path)
{
    return FileHandle(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
}

DWORD fileSize(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0xFFFFFFFF;
}

}  // namespace

TEST(Win32Download, BindingThatNeverConfirmsItsEndTouchesNothingOnceGivenUp)
{
    const char* mine = "download test own.bin";
    const char* other = "download test other.bin";
    auto progress = std::make_shared<DownloadProgress>();
    ComPtr<DownloadBinding> callback = DownloadBinding::create(createFile(mine), progress, 1024, true, "a test");
    DeafBinding binding;
    callback->OnStartBinding(0, &binding);
    ASSERT_EQ(deliver(*callback.get(), "first"), S_OK);
    EXPECT_EQ(progress->received, 5u);

    progress->cancel = true;
    EXPECT_FALSE(callback->wait(300));
    EXPECT_EQ(binding.aborts, 1);
    EXPECT_TRUE(callback->finish());

    // The next file of the thread (the handle is free for it), then the
    // binding's late data.
    FileHandle next = createFile(other);
    ASSERT_TRUE(next);
    EXPECT_EQ(deliver(*callback.get(), "late bytes"), E_ABORT);
    EXPECT_EQ(fileSize(other), 0u);
    EXPECT_EQ(fileSize(mine), 5u);
    EXPECT_EQ(progress->received, 5u);
    next.reset();
    DeleteFileA(mine);
    DeleteFileA(other);
}

TEST(Win32Download, ReplyPastItsLimitIsStopped)
{
    const char* path = "download test reply.txt";
    auto progress = std::make_shared<DownloadProgress>();
    ComPtr<DownloadBinding> callback =
        DownloadBinding::create(createFile(path), progress, replySizeLimit, false, "a reply");
    EXPECT_EQ(deliver(*callback.get(), std::string(replySizeLimit, 'x')), S_OK);
    EXPECT_EQ(deliver(*callback.get(), "x"), E_ABORT);
    EXPECT_EQ(progress->received, 0u);  // a reply is not the new build's count
    EXPECT_TRUE(callback->finish());
    EXPECT_EQ(fileSize(path), replySizeLimit);
    DeleteFileA(path);
}
