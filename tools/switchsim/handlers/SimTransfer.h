// The simulated switch's side of the file transfers: an upload receiver for
// firmware upgrades (0x0100) and configuration restores (0x0102), a backup
// sender (0x0101), and scripted TFTP transfers (0x0109 - 0x010B).
#pragma once

#include "SimSwitch.h"

#include <map>
#include <string>
#include <vector>

namespace Sim {

struct TSimUpload {
    std::vector<uint8_t> Data;   // blocks received so far
    uint32_t NextBlock = 0;
    bool ResendDone = false;
    bool BusyDone = false;
};

struct TSimTftpStep {
    uint16_t Status = 0;
    uint32_t State = 0;
    uint32_t DelayMs = 0;   // after the request
};

struct TSimTftpRequest {
    uint32_t ServerIp = 0;
    uint16_t ServerPort = 0;
    std::string FileName;
};

struct TSimTransferState {
    // Uploads. The switch ends an upload once it holds ExpectedBytes; with 0
    // it ends at the first block that is all zeros.
    size_t ExpectedBytes = 0;
    int ResendAtBlock = -1;   // asked for once more (state 3) the first time
    int BusyAtBlock = -1;     // answered "writing flash", then state 0 later
    uint32_t BusyMs = 100;
    int FailAtBlock = -1;     // answered with FailStatus (or state 4 if 0)
    uint16_t FailStatus = 0;
    uint32_t FlashMs = 20;    // "writing flash" before "done"
    TSimUpload Upload[2];     // 0x0100, 0x0102
    std::vector<uint8_t> Firmware;   // the last image uploaded whole
    uint32_t Aborts = 0;             // abort requests received

    // Backup. The configuration is replaced by every finished restore.
    std::vector<uint8_t> Config;
    int BackupFailAtBlock = -1;
    uint16_t BackupFailStatus = 0x0010;
    uint32_t BackupBusyMs = 0;       // delay of the first reply to block 0
    bool BackupBusyDone = false;

    // TFTP: the steps each command answers with (a default when empty), and
    // the last request of each command.
    std::map<uint16_t, std::vector<TSimTftpStep>> TftpScript;
    std::map<uint16_t, TSimTftpRequest> TftpRequests;
};

TSimTransferState& TransferState(TSimSwitch& sw);

} // namespace Sim
