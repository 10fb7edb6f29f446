#include <gtest/gtest.h>

#include <new>
#include <thread>
#include <vector>

#include "CountingHeap.h"
#include "support/KoMessages.h"
#include "common/Log.h"

namespace
{

// Takes every row and answers as told.
class RecordingList : public KoItemList
{
public:
    BOOL AddItem(KoListComboItem* item) override
    {
        m_items.push_back(item);
        LVITEMA request{};
        request.mask = LVIF_TEXT | LVIF_IMAGE;
        request.iSubItem = 0;
        item->GetDispInfo(&request);
        m_texts.push_back(request.pszText);
        m_images.push_back(request.iImage);
        return m_accept;
    }
    std::vector<KoListComboItem*> m_items;
    std::vector<std::string> m_texts;
    std::vector<int> m_images;
    BOOL m_accept = TRUE;
};

TEST(MessageLogTest, PostsReachTheAttachedLogOnlyWhileItIsAttached)
{
    ASSERT_EQ(nullptr, AttachedLog());
    PostToLog("before any log", KoMessagesContainer::Info); // dropped, safely
    KoMessagesContainer first, other;
    {
        KoLogBinding binding(first);
        EXPECT_EQ(&first, AttachedLog());
        PostToLog("File: %s , gone", "a.txt", KoMessagesContainer::Error);
        DetachLog(&other); // not the attached one: changes nothing
        PostToLog("still here", KoMessagesContainer::Info);
    }
    EXPECT_EQ(nullptr, AttachedLog());
    PostToLog("after the log", KoMessagesContainer::Info);
    ASSERT_EQ(2u, first.m_arrMessages.GetSize());
    EXPECT_EQ("File: a.txt , gone", StdString(first.m_arrMessages[0]->m_strText));
    EXPECT_EQ(0, first.m_arrMessages[0]->GetImage());
    EXPECT_EQ("still here", StdString(first.m_arrMessages[1]->m_strText));
    EXPECT_EQ(0u, other.m_arrMessages.GetSize());
}

TEST(MessageLogTest, KeepsEveryMessageInOrderWithItsKind)
{
    KoMessagesContainer log;
    log.AddMessage("before the list", KoMessagesContainer::Info);
    RecordingList list;
    list.m_accept = FALSE; // a refused row still leaves the message stored
    log.m_pList = &list;
    const struct
    {
        const char* text;
        UINT kind;
    } posts[] = {{"KoWipe::StartWipe: Wipe process started", KoMessagesContainer::Info},
                 {"same", KoMessagesContainer::Warning},
                 {"same", KoMessagesContainer::Error},
                 {"", KoMessagesContainer::Question},
                 {"\xC4\xE4\xB5 bytes kept", KoMessagesContainer::Action},
                 {"odd kind", 7},
                 {nullptr, KoMessagesContainer::Error}};
    for (const auto& post : posts)
        log.AddMessage(post.text, post.kind);
    const UINT count = sizeof(posts) / sizeof(posts[0]);
    ASSERT_EQ(log.m_arrMessages.GetSize(), count + 1);
    EXPECT_EQ(StdString(log.m_arrMessages[0]->m_strText), "before the list");
    ASSERT_EQ(list.m_items.size(), count);
    for (UINT i = 0; i < count; ++i)
    {
        SCOPED_TRACE(i);
        KoListComboItem* item = log.m_arrMessages[i + 1];
        const std::string expected = posts[i].text ? posts[i].text : "";
        EXPECT_EQ(StdString(item->m_strText), expected);
        EXPECT_EQ(item->GetImage(), static_cast<int>(posts[i].kind));
        EXPECT_TRUE(item->m_strText2.IsEmpty());
        EXPECT_EQ(item->m_nTag, 0);
        EXPECT_EQ(list.m_items[i], item);
        EXPECT_EQ(list.m_texts[i], expected);
        EXPECT_EQ(list.m_images[i], static_cast<int>(posts[i].kind));
    }
}

TEST(MessageLogTest, GetDispInfoAnswersColumnsZeroAndOneOnly)
{
    KoListComboItem item;
    item.m_strText = "first";
    item.m_strText2 = "second";
    item.SetImage(3);
    char untouched[] = "untouched";
    const struct
    {
        int subItem;
        UINT mask;
        const char* text;
        int image;
    } rows[] = {{0, LVIF_TEXT | LVIF_IMAGE, "first", 3},
                {1, LVIF_TEXT, "second", -99},
                {2, LVIF_TEXT | LVIF_IMAGE, "untouched", 3},
                {0, LVIF_IMAGE, "untouched", 3}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.subItem);
        LVITEMA request{};
        request.mask = row.mask;
        request.iSubItem = row.subItem;
        request.pszText = untouched;
        request.iImage = -99;
        EXPECT_TRUE(item.GetDispInfo(&request));
        EXPECT_STREQ(request.pszText, row.text);
        EXPECT_EQ(request.iImage, row.image);
    }
    EXPECT_FALSE(item.GetDispInfo(nullptr));
}

TEST(MessageLogTest, ARefusedArrayBlockLeaksNoMessage)
{
    KoMessagesContainer log;
    RecordingList list;
    log.m_pList = &list;
    bool thrown = false;
    long live = -1;
    {
        CountingHeap heap;
        heap.Refuse(sizeof(KoListComboItem*)); // the array's first block: one slot
        try
        {
            log.AddMessage("short", KoMessagesContainer::Info);
        }
        catch (const std::bad_alloc&)
        {
            thrown = true;
        }
        live = heap.Live();
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(live, 0);
    EXPECT_EQ(log.m_arrMessages.GetSize(), 0u);
    EXPECT_TRUE(list.m_items.empty());
}

// A list whose rows, posted from a worker, wait for the window thread: the
// window thread must be able to post meanwhile without waiting for the worker.
class WaitingList : public KoItemList
{
public:
    WaitingList()
        : m_inside(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_released(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
    }
    ~WaitingList() override
    {
        ::CloseHandle(m_inside);
        ::CloseHandle(m_released);
    }
    BOOL AddItem(KoListComboItem* item) override
    {
        if (::GetCurrentThreadId() == m_workerThread)
        {
            m_workerItem = item;
            ::SetEvent(m_inside);
            m_workerWait = ::WaitForSingleObject(m_released, 10000);
        }
        else
        {
            m_mainItem = item;
        }
        return TRUE;
    }
    HANDLE m_inside;
    HANDLE m_released;
    DWORD m_workerThread = 0;
    DWORD m_workerWait = WAIT_FAILED;
    KoListComboItem* m_workerItem = nullptr;
    KoListComboItem* m_mainItem = nullptr;
};

TEST(MessageLogTest, AWorkerWaitingInsideTheListDoesNotBlockOtherPosts)
{
    KoMessagesContainer log;
    WaitingList list;
    log.m_pList = &list;
    std::thread worker(
        [&]
        {
            list.m_workerThread = ::GetCurrentThreadId();
            log.AddMessage("from the worker", KoMessagesContainer::Info);
        });
    const DWORD inside = ::WaitForSingleObject(list.m_inside, 10000);
    if (inside == WAIT_OBJECT_0)
        log.AddMessage("from the window thread", KoMessagesContainer::Error);
    ::SetEvent(list.m_released);
    worker.join();
    ASSERT_EQ(inside, WAIT_OBJECT_0);
    EXPECT_EQ(list.m_workerWait, WAIT_OBJECT_0);
    ASSERT_EQ(log.m_arrMessages.GetSize(), 2u);
    EXPECT_EQ(list.m_workerItem, log.m_arrMessages[0]);
    EXPECT_EQ(list.m_mainItem, log.m_arrMessages[1]);
}

TEST(MessageLogTest, PostsFromTwoThreadsAtOnceAreAllKept)
{
    // The program posts from one thread at a time; the log must keep that
    // true by itself, or the array's growth could lose or tear a message.
    KoMessagesContainer log;
    const int each = 20000;
    auto post = [&](const char* text)
    {
        for (int i = 0; i < each; ++i)
            log.AddMessage(text, KoMessagesContainer::Info);
    };
    std::thread other(post, "b");
    post("a");
    other.join();
    ASSERT_EQ(log.m_arrMessages.GetSize(), 2u * each);
    int a = 0, b = 0;
    for (UINT i = 0; i < log.m_arrMessages.GetSize(); ++i)
    {
        const std::string text = log.m_arrMessages[i]->m_strText.c_str();
        a += text == "a";
        b += text == "b";
    }
    EXPECT_EQ(a, each);
    EXPECT_EQ(b, each);
}

} // namespace
