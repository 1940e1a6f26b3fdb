#include <gtest/gtest.h>

#include <string>

#include "cdo/archive_stream.h"
#include "cdo/bstr.h"
#include "cdo/com_ptr.h"
#include "cdo/message.h"
#include "tests/unit/temp_folder.h"

namespace {

// Every test ends with every object of the component released.
class CdoTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(cdo::LiveObjectCount(), 0); }
};

cdo::ComPtr<cdo::IMessage> NewMessage() {
    cdo::ComPtr<IUnknown> unknown;
    EXPECT_EQ(cdo::CreateMessage(unknown.put()), S_OK);
    cdo::ComPtr<cdo::IMessage> message;
    EXPECT_EQ(unknown->QueryInterface(cdo::IID_IMessage, message.put_void()), S_OK);
    return message;
}

cdo::ComPtr<cdo::_Stream> NewStream(const std::string& bytes) {
    cdo::ComPtr<cdo::_Stream> stream;
    EXPECT_EQ(cdo::CreateArchiveStream(std::make_shared<const std::string>(bytes), stream.put()),
              S_OK);
    return stream;
}

HRESULT Save(cdo::_Stream* stream, const std::string& path, long options) {
    return stream->SaveToFile(cdo::BstrFromAnsi(path.c_str()).get(), options);
}

TEST(BstrTest, AnsiTextSurvivesTheRoundTrip) {
    // "测试 a" in GBK: two double-byte characters become two UTF-16 units.
    const std::string gbk = "\xB2\xE2\xCA\xD4 a";
    afx::UniqueBstr text = cdo::BstrFromAnsi(gbk.c_str());
    EXPECT_EQ(::SysStringLen(text.get()), 4u);
    EXPECT_EQ(cdo::NarrowFromBstr(text.get()), gbk);
    EXPECT_EQ(::SysStringLen(cdo::BstrFromAnsi(nullptr).get()), 0u);
    EXPECT_EQ(cdo::NarrowFromBstr(nullptr), "");
}

TEST_F(CdoTest, MessageFollowsTheRulesOfIUnknown) {
    cdo::ComPtr<IUnknown> unknown;
    ASSERT_EQ(cdo::CreateMessage(unknown.put()), S_OK);
    EXPECT_EQ(cdo::LiveObjectCount(), 1);
    EXPECT_EQ(OleRun(unknown.get()), S_OK);  // no IRunnableObject: already running

    cdo::ComPtr<cdo::IMessage> message;
    ASSERT_EQ(unknown->QueryInterface(cdo::IID_IMessage, message.put_void()), S_OK);
    cdo::ComPtr<IUnknown> identity;
    ASSERT_EQ(message->QueryInterface(IID_IUnknown, identity.put_void()), S_OK);
    EXPECT_EQ(identity.get(), unknown.get());

    cdo::ComPtr<cdo::_Stream> notAStream;
    EXPECT_EQ(unknown->QueryInterface(cdo::IID_Stream, notAStream.put_void()), E_NOINTERFACE);
    EXPECT_EQ(notAStream.get(), nullptr);
    EXPECT_EQ(unknown->QueryInterface(IID_IDispatch, nullptr), E_POINTER);

    EXPECT_EQ(unknown->AddRef(), 4u);  // unknown, message, identity and this one
    EXPECT_EQ(unknown->Release(), 3u);
    identity.reset();
    message.reset();
    EXPECT_EQ(cdo::LiveObjectCount(), 1);
    unknown.reset();
    EXPECT_EQ(cdo::CreateMessage(nullptr), E_POINTER);
}

TEST_F(CdoTest, MessageWithoutAPageHasNoStream) {
    cdo::ComPtr<cdo::IMessage> message = NewMessage();
    cdo::ComPtr<cdo::_Stream> stream;
    EXPECT_EQ(message->GetStream(stream.put()), cdo::CDO_E_NO_BODY);
    EXPECT_EQ(stream.get(), nullptr);
    EXPECT_EQ(message->GetStream(nullptr), E_POINTER);
}

TEST_F(CdoTest, PageThatCannotBeFetchedLeavesNoStream) {
    // Port 1 refuses at once; the others are never requested.
    for (const char* url :
         {"http://127.0.0.1:1/page.html", "ftp://127.0.0.1/page.html", "not a url", ""}) {
        SCOPED_TRACE(url);
        cdo::ComPtr<cdo::IMessage> message = NewMessage();
        afx::UniqueBstr bstrUrl = cdo::BstrFromAnsi(url);
        afx::UniqueBstr user = cdo::BstrFromAnsi("domain\\username");
        afx::UniqueBstr password = cdo::BstrFromAnsi("");
        EXPECT_EQ(message->CreateMHTMLBody(bstrUrl.get(), cdo::cdoSuppressNone, user.get(),
                                           password.get()),
                  cdo::CDO_E_PAGE_NOT_FETCHED);
        cdo::ComPtr<cdo::_Stream> stream;
        EXPECT_HRESULT_FAILED(message->GetStream(stream.put()));
        EXPECT_EQ(stream.get(), nullptr);
    }
}

TEST_F(CdoTest, SuppressFlagsAreRefused) {
    cdo::ComPtr<cdo::IMessage> message = NewMessage();
    EXPECT_EQ(message->CreateMHTMLBody(cdo::BstrFromAnsi("http://127.0.0.1:1/").get(), 1, nullptr,
                                       nullptr),
              E_INVALIDARG);
}

TEST_F(CdoTest, StreamSavesItsBytesExactly) {
    TempFolder folder;
    const char kBytes[] = "MIME\r\nwith\0NUL\r\n\xB2\xE2\xCA\xD4\n";
    const std::string bytes(kBytes, sizeof kBytes - 1);
    cdo::ComPtr<cdo::_Stream> stream = NewStream(bytes);
    ASSERT_EQ(Save(stream.get(), folder.Path("page.mht"), cdo::adSaveCreateOverWrite), S_OK);
    EXPECT_EQ(ReadBytes(folder.Path("page.mht")), bytes);
    // Saved again, over the first file.
    ASSERT_EQ(Save(stream.get(), folder.Path("page.mht"), cdo::adSaveCreateOverWrite), S_OK);
    EXPECT_EQ(ReadBytes(folder.Path("page.mht")), bytes);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"page.mht"});  // no temporary file left
}

TEST_F(CdoTest, StreamReplacesOnlyWhenAskedTo) {
    TempFolder folder;
    WriteBytes(folder.Path("old.mht"), "old archive");
    cdo::ComPtr<cdo::_Stream> stream = NewStream("new archive");
    EXPECT_EQ(Save(stream.get(), folder.Path("old.mht"), cdo::adSaveCreateNotExist),
              HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadBytes(folder.Path("old.mht")), "old archive");
    EXPECT_EQ(Save(stream.get(), folder.Path("old.mht"), cdo::adSaveCreateOverWrite), S_OK);
    EXPECT_EQ(ReadBytes(folder.Path("old.mht")), "new archive");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"old.mht"});
}

TEST_F(CdoTest, StreamThatCannotSaveLeavesNothing) {
    TempFolder folder;
    cdo::ComPtr<cdo::_Stream> stream = NewStream("archive");
    EXPECT_HRESULT_FAILED(
        Save(stream.get(), folder.Path("missing\\page.mht"), cdo::adSaveCreateOverWrite));
    std::filesystem::create_directory(folder.Path("taken.mht"));  // a folder in the file's place
    EXPECT_HRESULT_FAILED(Save(stream.get(), folder.Path("taken.mht"), cdo::adSaveCreateOverWrite));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"taken.mht"});
    EXPECT_EQ(stream->SaveToFile(nullptr, cdo::adSaveCreateOverWrite), E_INVALIDARG);
}

TEST_F(CdoTest, StreamSavesUnderAChineseName) {
    TempFolder folder;
    cdo::ComPtr<cdo::_Stream> stream = NewStream("archive");
    // "测试.mht" in GBK: the name passes through the ANSI code page into the wide path.
    ASSERT_EQ(Save(stream.get(), folder.Path("\xB2\xE2\xCA\xD4.mht"), cdo::adSaveCreateOverWrite),
              S_OK);
    std::string folderName = folder.Path("");
    std::wstring wide(folderName.begin(), folderName.end());
    EXPECT_NE(GetFileAttributesW((wide + L"\u6D4B\u8BD5.mht").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
