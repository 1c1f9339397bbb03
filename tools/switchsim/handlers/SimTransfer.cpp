// Upload receiver, backup sender and scripted TFTP transfers.
#include "SimTransfer.h"

#include "IntpTransfer.h"

#include <algorithm>
#include <memory>

namespace Sim {

TSimTransferState& TransferState(TSimSwitch& sw)
{
    auto& slot = sw.Extra["transfer"];
    if (!slot) {
        auto state = std::make_shared<TSimTransferState>();
        // A default configuration of three blocks and a bit.
        state->Config.resize(3 * 512 + 100);
        for (size_t i = 0; i < state->Config.size(); ++i)
            state->Config[i] = uint8_t('A' + i % 26);
        slot = state;
    }
    return *std::static_pointer_cast<TSimTransferState>(slot);
}

} // namespace Sim

namespace {

constexpr size_t Block = 512;

std::vector<uint8_t> UploadReply(uint16_t block, uint16_t state)
{
    std::vector<uint8_t> body(4);
    Intp::PutBE16(body.data(), block);
    Intp::PutBE16(body.data() + 2, state);
    return body;
}

std::vector<Sim::TSimReply> Upload(Sim::TSimSwitch& sw, const Sim::TSimRequest& req, int index)
{
    std::vector<Sim::TSimReply> out;
    auto& st = Sim::TransferState(sw);
    auto& up = st.Upload[index];
    if (req.Status == Intp::StatusTableError) {
        // The console cannot read its file: the transfer ends, no answer.
        up = {};
        ++st.Aborts;
        return out;
    }
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() < 2 + Block)
        return {Sim::Reply(1)};
    const uint16_t block = Intp::GetBE16(req.Body.data());
    const uint8_t* data = req.Body.data() + 2;
    if (block == 0)
        up = {};   // a new transfer
    if (block != up.NextBlock)
        return {Sim::Reply(0, UploadReply(uint16_t(up.NextBlock), 3))};
    if (int(block) == st.ResendAtBlock && !up.ResendDone) {
        up.ResendDone = true;
        return {Sim::Reply(0, UploadReply(block, 3))};
    }
    if (int(block) == st.FailAtBlock) {
        up = {};
        if (st.FailStatus)
            return {Sim::Reply(st.FailStatus, UploadReply(block, 0))};
        return {Sim::Reply(0, UploadReply(block, 4))};
    }
    const bool allZero = std::all_of(data, data + Block, [](uint8_t b) { return b == 0; });
    up.Data.insert(up.Data.end(), data, data + Block);
    up.NextBlock = block + 1u;
    const bool last = st.ExpectedBytes ? up.Data.size() >= st.ExpectedBytes : allZero;
    if (last) {
        std::vector<uint8_t> image = std::move(up.Data);
        if (st.ExpectedBytes)
            image.resize(st.ExpectedBytes);
        else
            image.resize(image.size() - Block);
        if (index == 0)
            st.Firmware = std::move(image);
        else
            st.Config = std::move(image);
        up = {};
        Sim::TSimReply flash = Sim::Reply(0, UploadReply(block, 1));
        Sim::TSimReply done = Sim::Reply(0, UploadReply(block, 2));
        done.DelayMs = st.FlashMs;
        return {flash, done};
    }
    if (int(block) == st.BusyAtBlock && !up.BusyDone) {
        up.BusyDone = true;
        Sim::TSimReply busy = Sim::Reply(0, UploadReply(block, 1));
        Sim::TSimReply next = Sim::Reply(0, UploadReply(block, 0));
        next.DelayMs = st.BusyMs;
        return {busy, next};
    }
    return {Sim::Reply(0, UploadReply(block, 0))};
}

std::vector<uint8_t> BackupReply(uint16_t number, const std::vector<uint8_t>& config, size_t block)
{
    std::vector<uint8_t> body(2 + Block, 0);
    Intp::PutBE16(body.data(), number);
    const size_t from = block * Block;
    if (from < config.size())
        std::copy_n(config.begin() + std::ptrdiff_t(from), std::min(Block, config.size() - from), body.begin() + 2);
    return body;
}

std::vector<Sim::TSimReply> Tftp(Sim::TSimSwitch& sw, const Sim::TSimRequest& req, bool backup)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() < 38)
        return {Sim::Reply(1)};
    auto& st = Sim::TransferState(sw);
    Sim::TSimTftpRequest request;
    request.ServerIp = Intp::GetBE32(req.Body.data());
    request.ServerPort = Intp::GetBE16(req.Body.data() + 4);
    request.FileName = Intp::FieldText(req.Body.data() + 6, 32);
    st.TftpRequests[req.Command] = request;

    std::vector<Sim::TSimTftpStep> steps = st.TftpScript[req.Command];
    if (steps.empty()) {
        steps = backup ? std::vector<Sim::TSimTftpStep>{{0, 0, 0}, {0, 2, 20}}
                       : std::vector<Sim::TSimTftpStep>{{0, 0, 0}, {0, 1, 20}, {0, 2, 40}};
    }
    for (const auto& step : steps) {
        std::vector<uint8_t> body(4);
        Intp::PutBE32(body.data(), step.State);
        Sim::TSimReply r = Sim::Reply(step.Status, std::move(body));
        r.DelayMs = step.DelayMs;
        out.push_back(std::move(r));
    }
    return out;
}

} // namespace

// Upgrade: firmware image blocks.
SIM_HANDLER(0x0100) { return Upload(sw, req, 0); }

// Restore: configuration blocks; a finished restore becomes the switch's
// configuration.
SIM_HANDLER(0x0102) { return Upload(sw, req, 1); }

// Backup: block n of the configuration; the last block is numbered 0xFFFF.
SIM_HANDLER(0x0101)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() < 2)
        return {Sim::Reply(1)};
    auto& st = Sim::TransferState(sw);
    const uint16_t block = Intp::GetBE16(req.Body.data());
    const size_t blocks = std::max<size_t>(1, (st.Config.size() + Block - 1) / Block);
    if (int(block) == st.BackupFailAtBlock)
        return {Sim::Reply(st.BackupFailStatus, BackupReply(block, {}, 0))};
    if (block >= blocks)
        return {Sim::Reply(1, BackupReply(block, {}, 0))};
    Sim::TSimReply r =
        Sim::Reply(0, BackupReply(block + 1u == blocks ? Intp::BackupLastBlock : block, st.Config, block));
    if (block == 0 && st.BackupBusyMs && !st.BackupBusyDone) {
        st.BackupBusyDone = true;
        r.DelayMs = st.BackupBusyMs;
    }
    return {r};
}

// TFTP backup, restore and upgrade: the script's progress replies.
SIM_HANDLER(0x0109) { return Tftp(sw, req, true); }
SIM_HANDLER(0x010A) { return Tftp(sw, req, false); }
SIM_HANDLER(0x010B) { return Tftp(sw, req, false); }
