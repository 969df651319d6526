#include "engine/RunList.h"

#include <QMutexLocker>

#include <algorithm>

namespace korvi {

QStringList RunRow::Cells() const {
    return {QString::number(no),
            QString::number(state),
            result,
            QString::number(depth),
            context,
            title,
            url,
            size,
            dlLen,
            planLen,
            ext,
            ref};
}

const QStringList& RunListColumns() {
    static const QStringList kColumns = {
        QStringLiteral("No"),     QStringLiteral("状態"),   QStringLiteral("結果"),
        QStringLiteral("深度"),   QStringLiteral("周辺文"), QStringLiteral("見出し"),
        QStringLiteral("URL"),    QStringLiteral("サイズ"), QStringLiteral("DL長"),
        QStringLiteral("予定長"), QStringLiteral("拡張子"), QStringLiteral("参照元")};
    return kColumns;
}

const RunRow& RunListSnapshot::Row(int i) const {
    return (*blocks_[static_cast<size_t>(i / RunList::kBlock)])[static_cast<size_t>(
        i % RunList::kBlock)];
}

bool RunListSnapshot::SharesBlock(const RunListSnapshot& other, int b) const {
    const size_t i = static_cast<size_t>(b);
    return b >= 0 && i < blocks_.size() && i < other.blocks_.size() &&
           blocks_[i] == other.blocks_[i];
}

void RunList::Count(const RunRow& row, int sign) {
    if (row.result != QStringLiteral("未")) done_ += sign;
    if (row.result == QStringLiteral("一致")) hits_ += sign;
}

RunRow& RunList::At(int index) {
    const size_t b = static_cast<size_t>(index / kBlock);
    auto& block = blocks_[b];
    if (frozen_[b]) {
        block = std::make_shared<std::vector<RunRow>>(*block);
        block->reserve(kBlock);
        frozen_[b] = false;
    }
    return (*block)[static_cast<size_t>(index % kBlock)];
}

int RunList::Append(RunRow row) {
    QMutexLocker lock(&mutex_);
    if (listed_.contains(row.url)) return -1;
    listed_.insert(row.url);
    row.no = count_ + 1;
    if (count_ % kBlock == 0) {
        auto block = std::make_shared<std::vector<RunRow>>();
        block->reserve(kBlock);
        blocks_.push_back(std::move(block));
        frozen_.push_back(false);
    } else if (frozen_.back()) {
        blocks_.back() = std::make_shared<std::vector<RunRow>>(*blocks_.back());
        blocks_.back()->reserve(kBlock);
        frozen_.back() = false;
    }
    Count(row, +1);
    const int index = count_++;
    if (row.state == 0) waiting_.push_back(index);
    blocks_.back()->push_back(std::move(row));
    return index;
}

bool RunList::ChkListUrl(const QString& url) const {
    QMutexLocker lock(&mutex_);
    return listed_.contains(url);
}

void RunList::AddListed(const QString& url) {
    QMutexLocker lock(&mutex_);
    listed_.insert(url);
}

int RunList::Count() const {
    QMutexLocker lock(&mutex_);
    return count_;
}

RunRow RunList::Row(int index) const {
    QMutexLocker lock(&mutex_);
    if (index < 0 || index >= count_) return RunRow();
    return (*blocks_[static_cast<size_t>(index / kBlock)])[static_cast<size_t>(index % kBlock)];
}

RunListSnapshot RunList::Snapshot() const {
    QMutexLocker lock(&mutex_);
    RunListSnapshot snap;
    snap.blocks_.assign(blocks_.begin(), blocks_.end());
    snap.count_ = count_;
    std::fill(frozen_.begin(), frozen_.end(), true);
    return snap;
}

void RunList::Update(int index, const std::function<void(RunRow&)>& change) {
    QMutexLocker lock(&mutex_);
    if (index < 0 || index >= count_) return;
    RunRow& row = At(index);
    Count(row, -1);
    change(row);
    Count(row, +1);
}

int RunList::TakeWaiting() {
    QMutexLocker lock(&mutex_);
    for (;;) {
        int index = -1;
        const bool fromReset =
            !reset_.empty() && (waiting_.empty() || reset_.top() < waiting_.front());
        if (fromReset) {
            index = reset_.top();
            reset_.pop();
        } else if (!waiting_.empty()) {
            index = waiting_.front();
            waiting_.pop_front();
        } else {
            return -1;
        }
        RunRow& row = At(index);
        if (row.state != 0) continue;  // taken or changed since it was queued
        row.state = 10;
        return index;
    }
}

bool RunList::HasWaiting() {
    QMutexLocker lock(&mutex_);
    auto stale = [this](int index) {
        return (*blocks_[static_cast<size_t>(index / kBlock)])[static_cast<size_t>(index % kBlock)]
                   .state != 0;
    };
    while (!waiting_.empty() && stale(waiting_.front())) waiting_.pop_front();
    while (!reset_.empty() && stale(reset_.top())) reset_.pop();
    return !waiting_.empty() || !reset_.empty();
}

bool RunList::ResetForRedownload(int index) {
    QMutexLocker lock(&mutex_);
    if (index < 0 || index >= count_) return false;
    RunRow& row = At(index);
    if (row.state != 100) return false;
    Count(row, -1);
    row.state = 0;
    row.result = QStringLiteral("未");
    Count(row, +1);
    reset_.push(index);
    return true;
}

int RunList::Done() const {
    QMutexLocker lock(&mutex_);
    return done_;
}

int RunList::Hits() const {
    QMutexLocker lock(&mutex_);
    return hits_;
}

}  // namespace korvi
