#include "MidiInputEngine.h"

#include "MidiHeaderFlags.h"
#include "MidiResult.h"
#include "Miditype.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace velcora {

namespace {
int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

TMidiInputEngine::TMidiInputEngine(const void* device, TMidiCallback callback, uintptr_t instance)
    : FDevice(device), FCallback(callback), FInstance(instance) {}

uint32_t TMidiInputEngine::PrepareHeader(TMidiHeader& header) {
    return PrepareMidiHeader(header);
}

uint32_t TMidiInputEngine::UnprepareHeader(TMidiHeader& header) {
    return UnprepareMidiHeader(header);
}

uint32_t TMidiInputEngine::AddBuffer(TMidiHeader& header) {
    if (const uint32_t code = QueueMidiHeader(header); code != TMidiResult::NoError) {
        return code;
    }
    header.BytesRecorded = 0;
    FFree.Push(&header);
    return TMidiResult::NoError;
}

uint32_t TMidiInputEngine::Start() {
    FStartNs.store(SteadyNs(), std::memory_order_relaxed);
    FStarted.store(true, std::memory_order_seq_cst);
    return TMidiResult::NoError;
}

uint32_t TMidiInputEngine::Stop() {
    FStarted.store(false, std::memory_order_seq_cst);
    return TMidiResult::NoError;
}

uint32_t TMidiInputEngine::Reset() {
    // Seen together with FBusy in Deliver (both sequentially consistent): once FBusy reads 0
    // here, no delivery is running and every later one sees the port stopped.
    FStarted.store(false, std::memory_order_seq_cst);
    while (FBusy.load(std::memory_order_seq_cst) != 0) {
        std::this_thread::yield();
    }
    while (TMidiHeader* header = FFree.Pop()) {
        header->BytesRecorded = 0;
        MarkMidiHeaderDone(*header);
        FCallback(FDevice, TMidiMessage::InLongData, FInstance, reinterpret_cast<uintptr_t>(header),
                  0);
    }
    return TMidiResult::NoError;
}

uint32_t TMidiInputEngine::Now() const noexcept {
    const int64_t ns = SteadyNs() - FStartNs.load(std::memory_order_relaxed);
    return uint32_t(ns / 1000000);
}

void TMidiInputEngine::Deliver(std::span<const uint8_t> message) noexcept {
    FBusy.fetch_add(1, std::memory_order_seq_cst);
    if (!FStarted.load(std::memory_order_seq_cst) || message.empty()) {
        FBusy.fetch_sub(1, std::memory_order_release);
        return;
    }
    const uint32_t time = Now();
    const uint8_t status = message[0];
    if (status == 0xF0) {
        size_t pos = 0;
        while (pos < message.size()) {
            TMidiHeader* header = FFree.Pop();
            if (header == nullptr) {
                break; // no free buffer: the rest is lost, as with a real driver
            }
            const size_t n = std::min<size_t>(header->BufferLength, message.size() - pos);
            std::memcpy(header->Data, message.data() + pos, n);
            header->BytesRecorded = uint32_t(n);
            pos += n;
            MarkMidiHeaderDone(*header);
            FCallback(FDevice, TMidiMessage::InLongData, FInstance,
                      reinterpret_cast<uintptr_t>(header), time);
        }
    } else if (const int length = ShortMsgLength(status);
               length > 0 && message.size() == size_t(length)) {
        const uint8_t data1 = length > 1 ? message[1] : 0;
        const uint8_t data2 = length > 2 ? message[2] : 0;
        FCallback(FDevice, TMidiMessage::InData, FInstance, PackShortMsg(status, data1, data2),
                  time);
    } else {
        uint32_t packed = 0;
        for (size_t i = 0; i < message.size() && i < 3; ++i) {
            packed |= uint32_t(message[i]) << (8 * i);
        }
        FCallback(FDevice, TMidiMessage::InError, FInstance, packed, time);
    }
    FBusy.fetch_sub(1, std::memory_order_release);
}

} // namespace velcora
