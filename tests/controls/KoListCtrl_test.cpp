#include "ui/KoListCtrl.h"

#include "support/KoMessages.h"

#include "Host.h"
#include "common/ListRow.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <string>

namespace
{
class MessageList : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_host.Open(100, 100, 400, 300));
        HWND hwnd = m_host.AddChild(WC_LISTVIEWA, "List1",
                                    LVS_REPORT | LVS_SINGLESEL | WS_BORDER | WS_TABSTOP, 6, 6, 208,
                                    120, 1007);
        ASSERT_NE(nullptr, hwnd);
        ASSERT_TRUE(m_list.SubclassWindow(hwnd));
        // As the main window sets it up.
        RECT rc;
        m_list.GetWindowRect(&rc);
        m_list.SetFullRowGrid();
        m_list.InsertColumn(0, "Messages", LVCFMT_LEFT,
                            rc.right - rc.left - 2 * GetSystemMetrics(SM_CXEDGE));
        m_list.m_boolAutoFitColumn = TRUE;
        m_list.AdjustColumnWidth();
        Host::Pump();
    }
    void TearDown() override
    {
        m_log.m_pList = nullptr;
        m_host.Destroy(); // rows go before the log's items
    }

    ListRow RowAt(int index)
    {
        const ListRow row = ReadListRow(m_list.m_hWnd, index);
        EXPECT_TRUE(row.found);
        return row;
    }
    int ClientWidth() const
    {
        RECT rc;
        m_list.GetClientRect(&rc);
        return rc.right - rc.left;
    }
    bool HasStyle(DWORD bits) const { return (m_list.GetStyle() & bits) != 0; }

    KoMessagesContainer m_log; // outlives the host and its rows
    Host m_host;
    KoListCtrl m_list;
};

TEST_F(MessageList, OneRowPerMessagePostedAfterAttachment)
{
    m_log.AddMessage("posted before", KoMessagesContainer::Info);
    m_log.m_pList = &m_list;
    EXPECT_EQ(0, m_list.GetItemCount());

    const struct
    {
        const char* text;
        UINT kind;
    } posts[] = {{"first", KoMessagesContainer::Error},
                 {"second", KoMessagesContainer::Warning},
                 {"", KoMessagesContainer::Info},
                 {"second", KoMessagesContainer::Action},
                 {"kind seven", 7}};
    for (const auto& p : posts)
        m_log.AddMessage(p.text, p.kind);

    ASSERT_EQ(5, m_list.GetItemCount());
    for (int i = 0; i < 5; ++i)
    {
        SCOPED_TRACE(i);
        KoListComboItem* item = m_log.m_arrMessages.GetAt(static_cast<UINT>(i + 1));
        const ListRow row = RowAt(i);
        EXPECT_EQ(posts[i].text, row.text);
        EXPECT_EQ(static_cast<int>(posts[i].kind), row.image);
        EXPECT_EQ(reinterpret_cast<LPARAM>(item), row.data);
        EXPECT_EQ(i, item->m_nRow);
    }
}

struct WorkerArgs
{
    KoMessagesContainer* log;
    int count;
    std::atomic<DWORD> threadId{0}; // written by the worker only
};

DWORD WINAPI PostFromWorker(void* p)
{
    auto* args = static_cast<WorkerArgs*>(p);
    args->threadId.store(GetCurrentThreadId());
    for (int i = 0; i < args->count; ++i)
    {
        char text[32];
        wsprintfA(text, "worker %d", i);
        args->log->AddMessage(text, static_cast<UINT>(i % 5));
    }
    return 0;
}

TEST_F(MessageList, WorkerThreadPostsBecomeRowsWhileTheWindowThreadPumps)
{
    m_log.m_pList = &m_list;
    m_log.AddMessage("from the window thread", KoMessagesContainer::Info);
    WorkerArgs args;
    args.log = &m_log;
    args.count = 40;
    HANDLE thread = CreateThread(nullptr, 0, PostFromWorker, &args, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    // The window thread keeps handling the list's messages while the worker
    // waits in each insertion.
    for (;;)
    {
        const DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, 10000, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0)
            break;
        ASSERT_EQ(WAIT_OBJECT_0 + 1, r) << "worker stuck";
        Host::Pump();
    }
    CloseHandle(thread);
    EXPECT_NE(GetCurrentThreadId(), args.threadId.load());

    ASSERT_EQ(41, m_list.GetItemCount());
    EXPECT_EQ("from the window thread", RowAt(0).text);
    for (int i = 0; i < 40; ++i)
    {
        SCOPED_TRACE(i);
        const ListRow row = RowAt(i + 1);
        EXPECT_EQ("worker " + std::to_string(i), row.text);
        EXPECT_EQ(i % 5, row.image);
    }
}

TEST_F(MessageList, ColumnFollowsClientWidthWhenScrollBarAppears)
{
    m_log.m_pList = &m_list;
    const int widthWithoutBar = ClientWidth();
    EXPECT_EQ(widthWithoutBar, m_list.GetColumnWidth(0));
    int rows = 0;
    while (!HasStyle(WS_VSCROLL) && rows < 100)
    {
        m_log.AddMessage("a message line", KoMessagesContainer::Info);
        ++rows;
        SCOPED_TRACE(rows);
        EXPECT_EQ(ClientWidth(), m_list.GetColumnWidth(0));
        EXPECT_FALSE(HasStyle(WS_HSCROLL));
    }
    ASSERT_TRUE(HasStyle(WS_VSCROLL));
    EXPECT_LT(ClientWidth(), widthWithoutBar);
    EXPECT_EQ(ClientWidth(), m_list.GetColumnWidth(0));
    m_log.AddMessage("one more", KoMessagesContainer::Info);
    Host::Pump();
    EXPECT_EQ(ClientWidth(), m_list.GetColumnWidth(0));
    EXPECT_FALSE(HasStyle(WS_HSCROLL));
}

TEST_F(MessageList, ResizingRefitsTheColumn)
{
    m_list.SetWindowPos(nullptr, 0, 0, 300, 150, SWP_NOMOVE | SWP_NOZORDER);
    Host::Pump();
    EXPECT_EQ(ClientWidth(), m_list.GetColumnWidth(0));
    EXPECT_GT(ClientWidth(), 250);
}

TEST_F(MessageList, WithoutAutoFitInsertionsKeepTheWidth)
{
    m_list.m_boolAutoFitColumn = FALSE;
    m_list.SetColumnWidth(0, 50);
    m_log.m_pList = &m_list;
    for (int i = 0; i < 20; ++i)
        m_log.AddMessage("a message line", KoMessagesContainer::Info);
    ASSERT_TRUE(HasStyle(WS_VSCROLL));
    EXPECT_EQ(50, m_list.GetColumnWidth(0));
}

TEST_F(MessageList, DeletingRowsForgetsTheirIndexesAndKeepsTheItems)
{
    m_log.m_pList = &m_list;
    for (int i = 0; i < 3; ++i)
        m_log.AddMessage("line", KoMessagesContainer::Info);
    KoListComboItem* last = m_log.m_arrMessages.GetAt(2);

    EXPECT_TRUE(m_list.DeleteItem(0));
    EXPECT_EQ(2, m_list.GetItemCount());
    EXPECT_EQ(2, last->m_nRow); // DeleteItem leaves the indexes alone

    EXPECT_TRUE(m_list.DeleteAllItems());
    EXPECT_EQ(0, m_list.GetItemCount());
    EXPECT_EQ(0, m_log.m_arrMessages.GetAt(0)->m_nRow); // its row had gone before
    EXPECT_EQ(-1, m_log.m_arrMessages.GetAt(1)->m_nRow);
    EXPECT_EQ(-1, last->m_nRow);
    EXPECT_EQ(3u, m_log.m_arrMessages.GetSize());
    EXPECT_EQ(ClientWidth(), m_list.GetColumnWidth(0));
}

TEST(MessageListWithoutWindow, PostsAreKeptButTakeNoRow)
{
    KoMessagesContainer log;
    KoListCtrl list;
    log.m_pList = &list;
    log.AddMessage("after the window closed", KoMessagesContainer::Info);
    ASSERT_EQ(1u, log.m_arrMessages.GetSize());
    EXPECT_EQ(-1, log.m_arrMessages.GetAt(0)->m_nRow);
    EXPECT_FALSE(list.AddItem(log.m_arrMessages.GetAt(0)));
}

TEST_F(MessageList, FullRowGridReplacesExtendedStyle)
{
    m_list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_HEADERDRAGDROP);
    m_list.SetFullRowGrid();
    EXPECT_EQ(0x21u, static_cast<DWORD>(m_list.SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)));
}

} // namespace
