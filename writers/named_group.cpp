// SPDX-License-Identifier: MIT
#include "os/os.h"
#include "writers/stats_writers.h"

namespace cep::writers {

NamedStats ReadNamedStats(const std::string& path, std::string_view range, double level, std::span<const int> exclude,
                          bool strict, const cep::AimingOptions* aiming) {
    NamedStats named;
    named.name = cep::os::BareName(path);
    named.stats = cep::ReadGroupStats(path, range, level, named.shots, exclude, &named.warnings);
    if (strict && named.stats && !named.warnings.empty()) {
        const std::size_t n = named.warnings.size();
        named.stats = cep::MakeFailure(cep::FailureKind::FileAccessFailure,
                                       "its data is not clean (" + std::to_string(n) +
                                           (n == 1 ? " warning" : " warnings") + "), and --strict refuses it.");
    }
    if (aiming != nullptr && named.stats) {
        auto advice = cep::Advise(cep::GroupDispersion(named.stats.value()), *aiming);
        if (advice) {
            named.advice = std::move(advice.value());
        } else {
            named.stats = advice.failure();
        }
    }
    return named;
}

}  // namespace cep::writers
