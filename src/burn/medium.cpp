#include "burn/medium.h"

namespace rondivo::burn {

std::optional<Medium> writableMedium(MediaType type) {
    switch (type) {
        case MediaType::CdR:
            return CdMedium::R;
        case MediaType::CdRw:
            return CdMedium::Rw;
        case MediaType::DvdR:
            return WriteOnceDvd::MinusR;
        case MediaType::DvdRDl:
            return WriteOnceDvd::MinusRDl;
        case MediaType::DvdPlusR:
            return WriteOnceDvd::PlusR;
        case MediaType::DvdPlusRDl:
            return WriteOnceDvd::PlusRDl;
        case MediaType::DvdRwSequential:
            return RewritableDvd::MinusRwSequential;
        case MediaType::DvdRwRestricted:
            return RewritableDvd::MinusRwRestricted;
        case MediaType::DvdPlusRw:
            return RewritableDvd::PlusRw;
        case MediaType::DvdRam:
            return RewritableDvd::Ram;
        case MediaType::BdR:
            return BluRayMedium::R;
        case MediaType::BdRe:
            return BluRayMedium::Re;
        case MediaType::None:
        case MediaType::CdRom:
        case MediaType::DvdRom:
        case MediaType::DdcdRom:
        case MediaType::DdcdR:
        case MediaType::DdcdRw:
        case MediaType::BdRom:
        case MediaType::BdRRandom:
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace rondivo::burn
