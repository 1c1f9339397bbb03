// The console's configuration file: the discovery filter's settings and the
// list of the devices in the tree, saved as XML and loaded back by hand.
// Loading restores the discovery settings and the filters only; the device
// list in the file is never read.
#pragma once

#include "FilterForm.h"

#include <QString>
#include <vector>

namespace Intp {
class TDevice;
}

namespace ConfigFile {

// The file dialogs' defaults.
QString DefaultFileName();     // "Config.xml"
QString OpenFilter();
QString SaveFilter();
QString TextLoadFailed();      // "Failed to load config"
// Entries past the filter's cap that a load left out.
QString TextEntriesRefused(size_t refused);

// A file larger than this is refused before it is parsed.
constexpr qint64 MaxConfigFileBytes = 32 << 20;
// At most this many unicast entries, and as many local networks, are taken
// from a file (the filter's own cap on its list); the rest is refused.
constexpr size_t MaxLoadedEntries = Filter::MaxRangeEntries;

// Writes the settings and the devices (in the given order) to `path`. The
// file is replaced only once it has been written whole: on any failure the
// old file stays as it was, false is returned and `error` (when given) says
// why.
bool SaveConfigFile(const QString& path, const Filter::TFilterSettings& settings,
                    const std::vector<Intp::TDevice*>& devices, QString* error = nullptr);

// Reads the discovery settings and filters of `path` in one streaming pass.
// False when the file cannot be read, is larger than MaxConfigFileBytes or
// is not well-formed XML; `out` is then untouched. When the file has no
// Discovery element, `out` is untouched too and `hasDiscovery` (when given)
// is set false; otherwise `out` is replaced by what the file holds, starting
// from the custom method with no entries: unusable filter addresses, invalid
// masks, repeated unicast addresses and a method outside 0 to 2 are passed
// over; entries past MaxLoadedEntries are counted in `refused`.
bool LoadConfigFile(const QString& path, Filter::TFilterSettings& out, bool* hasDiscovery = nullptr,
                    size_t* refused = nullptr);

// The Save Config action: asks for a file name (nothing on cancel), writes
// the filter's applied settings and the devices, and shows an error box
// when the file cannot be written. True when a file was written.
bool RunSaveConfig(const Filter::TFilterServer& filter, const std::vector<Intp::TDevice*>& devices);

// The Load Config action: asks for a file, loads it into the filter dialog
// (TFilterForm::LoadSettings) and answers whether discovery should run now.
// A file that cannot be read or parsed shows "Failed to load config" and
// changes nothing; a cancelled dialog changes nothing. Entries past the cap
// are reported in an error box after the rest was loaded.
bool RunLoadConfig(TFilterForm& filter);

} // namespace ConfigFile
