#include "engine/input_pipeline.h"

namespace tabulora {
namespace {

constexpr size_t kReadAheadSlots = 4;

}  // namespace

InputPipeline::InputPipeline(std::vector<InputOrigin> inputs, const DecodeSettings& settings, bool readAhead,
                             bool judgeLines)
    : inputs_(std::move(inputs)), settings_(settings), readAhead_(readAhead), judgeLines_(judgeLines) {
    const size_t slotCount = readAhead ? kReadAheadSlots : 1;
    for (size_t i = 0; i < slotCount; ++i) {
        slots_.push_back(std::make_unique<Slot>());
        free_.push_back(slots_.back().get());
    }
    if (readAhead_) helper_ = std::thread([this] { ReadAhead(); });
}

InputPipeline::~InputPipeline() {
    if (!helper_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    helper_.join();
}

const InputEvent& InputPipeline::Next() {
    if (!readAhead_) {
        Slot& slot = *slots_[0];
        Step(slot);
        if (slot.failure) std::rethrow_exception(slot.failure);
        return slot.event;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (current_) {
        free_.push_back(current_);
        current_ = nullptr;
        changed_.notify_all();
    }
    changed_.wait(lock, [this] { return readyFront_ < ready_.size(); });
    current_ = ready_[readyFront_++];
    if (readyFront_ == ready_.size()) {
        ready_.clear();
        readyFront_ = 0;
    }
    if (current_->failure) std::rethrow_exception(current_->failure);
    return current_->event;
}

void InputPipeline::ReadAhead() {
    for (bool finished = false; !finished;) {
        Slot* slot;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !free_.empty(); });
            if (stopping_) return;
            slot = free_.back();
            free_.pop_back();
        }
        Step(*slot);
        finished = slot->failure || slot->event.kind == InputEvent::Kind::Finished;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ready_.push_back(slot);
        }
        changed_.notify_all();
    }
}

// Produces the next event into `slot`.
void InputPipeline::Step(Slot& slot) {
    InputEvent& event = slot.event;
    event = InputEvent{};
    event.input = input_;
    try {
        if (input_ == inputs_.size()) {
            event.kind = InputEvent::Kind::Finished;
            return;
        }
        if (!started_) {
            started_ = true;
            const InputOrigin& origin = inputs_[input_];
            switch (origin.kind) {
            case InputOrigin::Kind::File: {
                const FileResult opened = OpenFileSource(origin.path, source_);
                if (opened.Failed()) openError_ = opened.Reason();
                break;
            }
            case InputOrigin::Kind::StandardInput: source_ = OpenStandardInput(); break;
            case InputOrigin::Kind::Memory: source_ = MemorySource(origin.bytes); break;
            }
            if (source_) reader_ = std::make_unique<InputTextReader>(*source_, settings_);
            event.kind = InputEvent::Kind::Start;
            event.sizeHint = source_ ? source_->SizeHint() : 0;
            return;
        }
        if (reader_ && reader_->Next(slot.buffer, event.piece)) {
            event.kind = InputEvent::Kind::Text;
            if (judgeLines_) {
                slot.verdicts.Judge(event.piece.data, event.piece.textSize);
                event.lines = &slot.verdicts;
            }
            return;
        }
        event.kind = InputEvent::Kind::End;
        if (!reader_) {  // it could not be opened
            event.failed = true;
            event.error = std::move(openError_);
        } else {
            event.failed = reader_->Failed();
            event.error = reader_->Error();
            event.hasLine = reader_->HasLine();
            event.cutByZero = reader_->CutByZero();
            event.breaksAtEnd = reader_->BreaksAtEnd();
            event.rawBytes = reader_->RawBytes();
        }
        reader_.reset();
        source_.reset();
        openError_.clear();
        started_ = false;
        ++input_;
    } catch (...) {
        slot.failure = std::current_exception();
    }
}

}  // namespace tabulora
