// SPDX-License-Identifier: MIT
// cep-scan: the shots of a scanned or photographed paper target as a group
// file. Qt decodes the picture; the scan library finds the holes.
#include <cerrno>
#include <cmath>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include <QCoreApplication>
#include <QImage>
#include <QString>

#include "cli/output.h"
#include "cli/scan_options.h"
#include "core/failure.h"
#include "os/os.h"
#include "picture/target_picture.h"
#include "scan/group_text.h"
#include "scan/text.h"

namespace {

constexpr std::string_view kUsage =
    "usage: cep-scan PICTURE --caliber SIZE (--dpi D --aim-pixel PX,PY | --points \"PX,PY=X,Y;...\")\n"
    "                [--shots N] [--json] [-o FILE.grp]\n"
    "Finds the shots on a scanned or photographed paper target and writes them as a\n"
    "group file: inches from the aim, y up, clockwise from 12 o'clock.\n"
    "  PICTURE         a PNG or JPEG picture of the target (its EXIF turn is honoured)\n"
    "  --caliber SIZE  the bullet's diameter: 0.308in, .308, 7.62mm, 6.5mm\n"
    "  --dpi D         a scan's dots per inch (default: the resolution the picture states)\n"
    "  --aim-pixel PX,PY  the pixel of the point of aim (x right, y down, from 0)\n"
    "  --points \"PX,PY=X,Y;...\"  four or more pixels with their places on the target\n"
    "                  (inches from the aim, y up), for a photo taken at a slant\n"
    "  --shots N       how many shots are on the target: decides how overlapping\n"
    "                  holes are split\n"
    "  --json          print the shots, their pixels and how sure each is, as JSON\n"
    "  -o FILE         write the group file to FILE, which must not exist yet\n"
    "Exit status: 0 done, 1 failed, 2 usage error.\n";

int Done(int status, cli::Output& out, cli::Output& err) {
    if (!out.Close()) {
        err.Write("cep-scan: write error: " + cep::SystemErrorText(out.error()) + "\n");
        status = 1;
    }
    err.Close();
    return status;
}

int Fail(cli::Output& out, cli::Output& err, std::string_view message, int status = 1) {
    err.Write("cep-scan: " + err.Shown(message) + "\n");
    return Done(status, out, err);
}

std::string Today() {
    const std::time_t now = std::time(nullptr);
    char text[16] = "";
    if (const std::tm* local = std::localtime(&now); local != nullptr)
        std::strftime(text, sizeof text, "%Y-%m-%d", local);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    cep::os::PrepareStandardStreams();
    cli::Output out(stdout);
    cli::Output err(stderr);
    const std::vector<std::string> args = cep::os::Arguments(argc, argv);
    cli::ScanOptions options;
    if (const std::string problem = cli::TakeScanArguments(args, options); !problem.empty()) {
        return Fail(out, err, problem + " (cep-scan --help shows how)", 2);
    }
    if (options.help) {
        out.Write(kUsage);
        return Done(0, out, err);
    }
    if (options.version) {
        out.Write("cep-scan " CEP_VERSION_TEXT "\n");
        return Done(0, out, err);
    }
    if (!options.output.empty() && cep::os::KindOf(options.output) != cep::os::PathKind::Missing) {
        return Fail(out, err,
                    "File access failure: " + options.output + " already exists; cep-scan writes only new files.");
    }

    const std::string& path = options.picture;
    {
        cep::os::File probe;
        switch (const int error = cep::os::OpenForReading(path, probe)) {
        case 0: break;
        case ENOENT: return Fail(out, err, "File not found: there is no file at " + path + ".");
        case cep::os::kIsFolder: return Fail(out, err, "File access failure: " + path + " is a folder, not a picture.");
        case cep::os::kNotRegularFile:
            return Fail(out, err,
                        "File access failure: " + path + " is not a regular file (a device, pipe or socket).");
        default:
            return Fail(out, err,
                        "File access failure: could not open " + path + " (" + cep::SystemErrorText(error) + ").");
        }
    }
    QCoreApplication application(argc, argv);  // for the picture format plugins
    const QString named = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
    const cep::picture::TargetPicture picture = cep::picture::ReadTargetPicture(named, named);
    if (!picture.problem.isEmpty()) return Fail(out, err, picture.problem.toStdString());

    cep::Outcome<cep::scan::Calibration> calibration = cep::MakeFailure(cep::FailureKind::CalibrationFailure, "");
    double dpi = 0.0;
    if (options.byPoints) {
        calibration = cep::scan::CalibrateByPoints(options.points);
    } else {
        dpi = options.dpi ? *options.dpi : picture.statedDpi;
        if (!options.dpi && dpi == 0.0) {
            return Fail(out, err, "Calibration failure: " + path + " states no resolution; give it with --dpi.");
        }
        calibration = cep::scan::CalibrateByDpi(dpi, *options.aim);
    }
    if (!calibration) return Fail(out, err, calibration.failure().message);

    const auto found = cep::scan::FindShots(picture.Pixels(), calibration.value(), {options.calibre, options.shots});
    if (!found) return Fail(out, err, found.failure().message);

    std::vector<std::string> warnings = cep::scan::CalibrationWarnings(calibration.value());
    warnings.insert(warnings.end(), found.value().warnings.begin(), found.value().warnings.end());
    const std::string name = cep::os::BareName(path);
    if (found.value().shots.empty() && !options.json) {
        return Fail(out, err, "Picture failure: no holes found in " + path + "; nothing written.");
    }
    if (options.json) {
        if (found.value().shots.empty()) warnings.push_back("no holes found.");
        out.Write(cli::ScanJson(name, options.calibre, calibration.value(), found.value(), warnings));
    }
    std::vector<cep::scan::TargetPoint> shots;
    for (const auto& shot : found.value().shots) shots.push_back(shot.at);
    if (!shots.empty()) {
        const std::string text = cep::scan::GroupFileText(name, options.calibre, Today(), shots);
        if (!options.output.empty()) {
            const int error = cep::os::CreateNew(options.output, text);
            if (error == EEXIST) {
                return Fail(
                    out, err,
                    "File access failure: " + options.output + " already exists; cep-scan writes only new files.");
            }
            if (error != 0) {
                return Fail(out, err,
                            "File access failure: could not write " + options.output + " (" +
                                cep::SystemErrorText(error) + ").");
            }
        } else if (!options.json) {
            out.Write(text);
        }
    }
    if (!options.json) {
        for (const std::string& warning : warnings) err.Write("cep-scan: warning: " + warning + "\n");
    }
    return Done(0, out, err);
}
