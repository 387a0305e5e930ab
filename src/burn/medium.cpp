#include "burn/medium.h"

namespace rondivo::burn {

std::optional<Medium> writableMedium(scsi::MediaType type) {
    switch (type) {
        case scsi::MediaType::CdR:
            return CdMedium::R;
        case scsi::MediaType::CdRw:
            return CdMedium::Rw;
        case scsi::MediaType::DvdR:
            return WriteOnceDvd::MinusR;
        case scsi::MediaType::DvdRDl:
            return WriteOnceDvd::MinusRDl;
        case scsi::MediaType::DvdPlusR:
            return WriteOnceDvd::PlusR;
        case scsi::MediaType::DvdPlusRDl:
            return WriteOnceDvd::PlusRDl;
        case scsi::MediaType::DvdRwSequential:
            return RewritableDvd::MinusRwSequential;
        case scsi::MediaType::DvdRwRestricted:
            return RewritableDvd::MinusRwRestricted;
        case scsi::MediaType::DvdPlusRw:
            return RewritableDvd::PlusRw;
        case scsi::MediaType::DvdRam:
            return RewritableDvd::Ram;
        case scsi::MediaType::BdR:
            return BluRayMedium::R;
        case scsi::MediaType::BdRe:
            return BluRayMedium::Re;
        case scsi::MediaType::None:
        case scsi::MediaType::CdRom:
        case scsi::MediaType::DvdRom:
        case scsi::MediaType::DdcdRom:
        case scsi::MediaType::DdcdR:
        case scsi::MediaType::DdcdRw:
        case scsi::MediaType::BdRom:
        case scsi::MediaType::BdRRandom:
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace rondivo::burn
