#pragma once

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <queue>
#include <vector>

namespace korvi {

// One row of the run list (twelve columns).
struct RunRow {
    int no = 0;                             // No
    int state = 0;                          // 状態: 0 waiting, 10 dispatched, worker status, 100
    QString result = QStringLiteral("未");  // 結果: 未, 一致, 不, 断
    int depth = 1;                          // 深度
    QString context;                        // 周辺文
    QString title;                          // 見出し
    QString url;                            // URL
    QString size;                           // サイズ (KB)
    QString dlLen;                          // DL長 (KB)
    QString planLen;                        // 予定長 (KB)
    QString ext;                            // 拡張子
    QString ref;                            // 参照元
    int httpCode = 0;  // the server's answer code of a failed fetch (0: none came)

    // The twelve cells as text, in column order.
    QStringList Cells() const;
};

// Column headings, in order.
const QStringList& RunListColumns();

// An unchanging copy of the run list taken at one moment; cheap to take
// (rows are shared in blocks of kBlock until the run writes to them).
class RunListSnapshot {
public:
    int Count() const { return count_; }
    const RunRow& Row(int i) const;
    // True when block b (rows b * kBlock onwards) is the same in both
    // snapshots: a block written to after a snapshot is always a fresh copy,
    // so a shared block holds unchanged rows.
    bool SharesBlock(const RunListSnapshot& other, int b) const;

private:
    friend class RunList;
    std::vector<std::shared_ptr<const std::vector<RunRow>>> blocks_;
    int count_ = 0;
};

// The run list shared by the supervisor (writes running rows), the expander
// (appends rows) and the window (snapshots, resets finished rows). Every
// operation locks briefly; taking the next waiting row and the listed-URL
// check are O(1) amortised.
class RunList {
public:
    static constexpr int kBlock = 1024;

    // Appends the row (No = row count + 1) unless its URL is listed already;
    // the row's index, or -1.
    int Append(RunRow row);
    // True when the URL is in the list (ChkListUrl).
    bool ChkListUrl(const QString& url) const;
    // Counts a URL as listed (the final URL of a redirected row).
    void AddListed(const QString& url);

    int Count() const;
    RunRow Row(int index) const;
    RunListSnapshot Snapshot() const;

    // Changes one row; the done and hit counters follow its 結果.
    void Update(int index, const std::function<void(RunRow&)>& change);
    // The first row in table order whose 状態 is 0, set to 10; -1 when none.
    int TakeWaiting();
    // True while some row waits (状態 0).
    bool HasWaiting();
    // A finished row (状態 100) back to waiting; false for any other row.
    bool ResetForRedownload(int index);

    // Rows whose 結果 is not 未, and rows whose 結果 is 一致.
    int Done() const;
    int Hits() const;

private:
    RunRow& At(int index);  // detaches the row's block; lock held
    void Count(const RunRow& row, int sign);

    mutable QMutex mutex_;
    std::vector<std::shared_ptr<std::vector<RunRow>>> blocks_;
    // Blocks handed to a snapshot are never written again; the next write
    // to one goes to a fresh copy.
    mutable std::vector<bool> frozen_;
    int count_ = 0;
    int done_ = 0;
    int hits_ = 0;
    QSet<QString> listed_;
    std::deque<int> waiting_;  // appended rows, in order
    std::priority_queue<int, std::vector<int>, std::greater<int>> reset_;  // re-downloads
};

}  // namespace korvi
