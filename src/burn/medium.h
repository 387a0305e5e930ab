#pragma once
// The media a burn writes, in four families. Each family's file holds its
// plan, its preparation and its closing: medium_cd.cpp, medium_dvd_write_once.cpp
// (DVD±R, one or two layers), medium_dvd_rewritable.cpp (DVD±RW, DVD-RAM,
// restricted overwrite) and medium_bluray.cpp. A family missing a step fails to
// compile (std::visit), and so does a medium a family's switch leaves out.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "burn/drive_sequences.h"

namespace rondivo::burn {

enum class CdMedium { R, Rw };
enum class WriteOnceDvd { MinusR, MinusRDl, PlusR, PlusRDl };
enum class RewritableDvd { MinusRwSequential, MinusRwRestricted, PlusRw, Ram };
enum class BluRayMedium { R, Re };
using Medium = std::variant<CdMedium, WriteOnceDvd, RewritableDvd, BluRayMedium>;

// The medium of a disc this program writes; nothing for pressed discs, DDCD
// and BD-R formatted for random recording.
std::optional<Medium> writableMedium(scsi::MediaType type);

// Each family's steps, one overload per family.

// Before anything is written: the used-disc rules, the format a blank disc
// gets, the write type and where the image starts.
PlanOutcome planMedium(CdMedium m, DriveState& state, BurnPlan& plan, std::string& message);
PlanOutcome planMedium(WriteOnceDvd m, DriveState& state, BurnPlan& plan, std::string& message);
PlanOutcome planMedium(RewritableDvd m, DriveState& state, BurnPlan& plan, std::string& message);
PlanOutcome planMedium(BluRayMedium m, DriveState& state, BurnPlan& plan, std::string& message);

// Sectors the disc holds from its start once it is prepared as planned.
std::optional<std::uint32_t> discEnd(CdMedium m, DriveState& state, const BurnPlan& plan);
std::optional<std::uint32_t> discEnd(WriteOnceDvd m, DriveState& state, const BurnPlan& plan);
std::optional<std::uint32_t> discEnd(RewritableDvd m, DriveState& state, const BurnPlan& plan);
std::optional<std::uint32_t> discEnd(BluRayMedium m, DriveState& state, const BurnPlan& plan);

// The long operations before the first write: erasing and formatting. May
// change the plan's medium (a DVD-RW quick-formatted to restricted overwrite).
std::string prepareMedium(CdMedium m, DriveState& state, BurnPlan& plan, const Sleeper& sleep);
std::string prepareMedium(WriteOnceDvd m, DriveState& state, BurnPlan& plan, const Sleeper& sleep);
std::string prepareMedium(RewritableDvd m, DriveState& state, BurnPlan& plan, const Sleeper& sleep);
std::string prepareMedium(BluRayMedium m, DriveState& state, BurnPlan& plan, const Sleeper& sleep);

// The drive set for writing: the Write Parameters page the medium takes, the
// speed, the next writable address, the time stamp and the track reservation.
struct WriteStart {
    std::uint32_t volumeSectors = 0;
    scsi::UtcTime now;
};
std::string setUpWriting(CdMedium m, DriveState& state, const BurnPlan& plan,
                         const WriteStart& start);
std::string setUpWriting(WriteOnceDvd m, DriveState& state, const BurnPlan& plan,
                         const WriteStart& start);
std::string setUpWriting(RewritableDvd m, DriveState& state, const BurnPlan& plan,
                         const WriteStart& start);
std::string setUpWriting(BluRayMedium m, DriveState& state, const BurnPlan& plan,
                         const WriteStart& start);

// After the cache is written: track and session closed as the medium needs.
std::string closeDisc(CdMedium m, DriveState& state, const BurnPlan& plan, const Sleeper& sleep);
std::string closeDisc(WriteOnceDvd m, DriveState& state, const BurnPlan& plan,
                      const Sleeper& sleep);
std::string closeDisc(RewritableDvd m, DriveState& state, const BurnPlan& plan,
                      const Sleeper& sleep);
std::string closeDisc(BluRayMedium m, DriveState& state, const BurnPlan& plan,
                      const Sleeper& sleep);

// Sectors the image takes on the medium as the engine writes it (a CD track
// has a minimum, some media are written in whole blocks).
std::uint32_t writtenSectors(CdMedium m, std::uint32_t imageSectors);
std::uint32_t writtenSectors(WriteOnceDvd m, std::uint32_t imageSectors);
std::uint32_t writtenSectors(RewritableDvd m, std::uint32_t imageSectors);
std::uint32_t writtenSectors(BluRayMedium m, std::uint32_t imageSectors);

// Whether the disc has two layers, from its medium or, for BD-R, its size.
bool isDoubleLayer(CdMedium m, std::uint32_t discEnd);
bool isDoubleLayer(WriteOnceDvd m, std::uint32_t discEnd);
bool isDoubleLayer(RewritableDvd m, std::uint32_t discEnd);
bool isDoubleLayer(BluRayMedium m, std::uint32_t discEnd);

// Whether blanking makes the disc writable from its start again.
bool isErasable(CdMedium m);
bool isErasable(WriteOnceDvd m);
bool isErasable(RewritableDvd m);
bool isErasable(BluRayMedium m);

}  // namespace rondivo::burn
