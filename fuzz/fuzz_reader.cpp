// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the group file reader, the whole Calculate
// sequence, the group statistics and LeadingNumber: no crash, no hang, no
// inf or nan in the text or the figures, every failure message led by its kind.
#include <sys/mman.h>
#include <unistd.h>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/calculate.h"
#include "core/group_file.h"
#include "core/group_stats.h"

namespace {

class Label : public cep::ResultsText {
public:
    void SetText(const std::string& text) override { text_ = text; }
    void AppendText(const std::string& text) override { text_ += text; }
    std::string text_;
};

void Check(bool condition) {
    if (!condition) std::abort();
}

template <class T>
void CheckFailure(const cep::Outcome<T>& outcome) {
    const auto& failure = outcome.failure();
    Check(failure.message.rfind(std::string(cep::KindName(failure.kind)) + ": ", 0) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const auto number = cep::LeadingNumber(bytes);
    if (number) Check(std::isfinite(number.value()));

    // The file lives in memory; the reader opens it by path like any other.
    static const int fd = ::memfd_create("group", 0);
    Check(fd >= 0);
    Check(::ftruncate(fd, 0) == 0);
    Check(::pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);

    // The range is taken from the first line, so both inputs vary together.
    const std::string_view range = bytes.substr(0, std::min<std::size_t>(bytes.find('\n'), 32));
    cep::CalcState state;
    Label label;
    const auto done = cep::Calculate(state, path, "fuzz.grp", range, label);
    // Line 1 repeats the range as typed; the figures follow the empty line.
    const std::size_t figures = label.text_.find("\r\n\r\n");
    if (figures != std::string::npos) {
        const std::string_view lines = std::string_view(label.text_).substr(figures);
        Check(lines.find("inf") == std::string_view::npos && lines.find("nan") == std::string_view::npos);
    }
    if (done) {
        Check(std::isfinite(done.value().Cep) && std::isfinite(done.value().Moa));
    } else {
        CheckFailure(done);
    }

    cep::ShotTable shots;
    std::vector<cep::DataWarning> warnings;
    const auto stats = cep::ReadGroupStats(path, range, 0.95, shots, {}, &warnings);
    for (const cep::DataWarning& w : warnings) Check(w.line > 3 && !w.text.empty());
    if (!stats) {
        CheckFailure(stats);
        return 0;
    }
    const cep::GroupStats& s = stats.value();
    Check(std::isfinite(s.centre.x) && std::isfinite(s.centre.y));
    for (const double v :
         {s.centreOffset, s.sdX, s.sdY, s.extremeSpread, s.meanRadius, s.sigma.value, s.sigma.low, s.sigma.high,
          s.circles[2].diameter.high, s.prediction[2].diameter, s.shape.sdMajor, s.shape.sdMinor, s.shape.pRound}) {
        Check(std::isfinite(v) && v >= 0);
    }
    for (const cep::Flyer& f : s.flyers) {
        Check(f.shot >= 1 && f.shot <= s.shots && std::isfinite(f.distance) && std::isfinite(f.limit) &&
              f.distance > f.limit);
    }
    for (const cep::PredictionEllipse& e : s.shape.ellipses) Check(std::isfinite(e.major) && e.major >= e.minor);
    if (s.shots > 5) {  // shots 2 and 5 left out, so that leaving out is fuzzed too
        const int leftOut[] = {2, 5};
        const auto fewer = cep::ComputeGroupStats(shots, static_cast<cep::ShotCount>(s.shots), range, 0.95, leftOut);
        if (fewer) {
            Check(fewer.value().shots == s.shots - 2);
        } else {
            CheckFailure(fewer);
        }
    }
    return 0;
}
