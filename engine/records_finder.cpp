#include "engine/records_finder.h"

#include <cstring>

#include "engine/json_reader_impl.h"

namespace tabulora {

template class JsonReader<RecordsFinder>;

RecordsFinder::RecordsFinder(JsonPath records, bool skipBadLines) : skipBadLines_(skipBadLines) {
    for (const std::string& name : records) AppendStep(recordsKey_, name);
}

void RecordsFinder::AppendStep(std::string& key, std::string_view name) {
    const auto size = static_cast<uint32_t>(name.size());
    char length[4];
    std::memcpy(length, &size, 4);
    key.append(length, 4);
    key.append(name);
}

JsonPath RecordsFinder::PathOfKey(std::string_view key) {
    JsonPath path;
    while (key.size() >= 4) {
        uint32_t size;
        std::memcpy(&size, key.data(), 4);
        path.emplace_back(key.substr(4, size));
        key.remove_prefix(4 + size);
    }
    return path;
}

void RecordsFinder::BeginText(size_t) {
    static constexpr ReaderOptions kOptions{true, true, true};
    frames_.clear();
    path_.clear();
    recordFrame_ = -1;
    countsAtStart_.clear();
    for (const RecordsChoice& choice : records_) countsAtStart_.push_back(choice.objects);
    recordsAdded_.clear();
    arraysAdded_.clear();
    reader_ = std::make_unique<JsonReader<RecordsFinder>>(*this, kOptions);
    feeder_.emplace(*reader_, true);
    if (skipBadLines_) lines_.emplace(*feeder_, nullptr);
}

void RecordsFinder::Feed(const char* data, size_t size) {
    if (!reader_ || size == 0) return;
    piece_.resize(kPieceHeadroom + size + 1);
    char* text = piece_.data() + kPieceHeadroom;
    std::memcpy(text, data, size);
    text[size] = 0;
    if (lines_)
        lines_->Feed(text, size);
    else
        feeder_->Feed(TextPiece{text, size, 0});
}

void RecordsFinder::EndText(bool whole) {
    if (whole && reader_) {
        if (lines_) lines_->Finish();
        feeder_->Finish(lines_ ? lines_->LineBreaks() : 0, false);
    }
    lines_.reset();
    feeder_.reset();
    reader_.reset();
}

void RecordsFinder::TakeBackText() {
    EndText(false);
    for (const std::string& key : recordsAdded_) recordsByKey_.erase(key);
    records_.resize(countsAtStart_.size());
    for (size_t i = 0; i < records_.size(); ++i) records_[i].objects = countsAtStart_[i];
    for (const std::string& key : arraysAdded_) arraysByKey_.erase(key);
    arrays_.resize(arrays_.size() - arraysAdded_.size());
}

void RecordsFinder::Open(bool array) {
    const size_t pathStart = path_.size();
    const Frame* parent = frames_.empty() ? nullptr : &frames_.back();
    if (parent && !parent->array) AppendStep(path_, memberName_);
    if (parent && parent->array && !array) {
        // An object in an array: one more for the array's path (an array's elements share it).
        Frame& holder = frames_.back();
        if (holder.choice < 0) {
            const auto known = recordsByKey_.find(std::string_view(path_));
            if (known != recordsByKey_.end()) {
                holder.choice = static_cast<long>(known->second);
            } else {
                holder.choice = static_cast<long>(records_.size());
                recordsByKey_.emplace(path_, records_.size());
                recordsAdded_.push_back(path_);
                records_.push_back(RecordsChoice{PathOfKey(path_), 0});
            }
        }
        ++records_[holder.choice].objects;
    }
    if (array && recordFrame_ >= 0) {
        const std::string_view inRecord = std::string_view(path_).substr(recordPathEnd_);
        if (arraysByKey_.find(inRecord) == arraysByKey_.end()) {
            arraysByKey_.emplace(std::string(inRecord), arrays_.size());
            arraysAdded_.emplace_back(inRecord);
            arrays_.push_back(PathOfKey(inRecord));
        }
    }
    if (!array && recordFrame_ < 0 && path_ == recordsKey_) {
        recordFrame_ = static_cast<long>(frames_.size());
        recordPathEnd_ = path_.size();
    }
    frames_.push_back(Frame{array, pathStart, -1});
}

void RecordsFinder::Close() {
    if (frames_.empty()) return;
    if (recordFrame_ == static_cast<long>(frames_.size()) - 1) recordFrame_ = -1;
    path_.resize(frames_.back().pathStart);
    frames_.pop_back();
}

void RecordsFinder::ValueEnd() {
    // A top-level value has ended, or the reading stopped inside one.
    frames_.clear();
    path_.clear();
    recordFrame_ = -1;
}

}  // namespace tabulora
