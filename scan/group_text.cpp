// SPDX-License-Identifier: MIT
#include "scan/group_text.h"

#include "scan/text.h"

namespace cep::scan {

std::string GroupFileText(std::string_view pictureName, double calibreInches, std::string_view date,
                          const std::vector<TargetPoint>& shots) {
    std::string name(pictureName);
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    }
    std::string text = "Group file - cep-scan: " + name + "\r\n";
    text += "caliber " + Decimals(calibreInches, 3) + " in, " + std::string(date) + "\r\n";
    text += std::to_string(shots.size()) + "\r\n";
    for (const TargetPoint& s : shots) text += Decimals(s.x, 4) + "," + Decimals(s.y, 4) + "\r\n";
    return text;
}

}  // namespace cep::scan
