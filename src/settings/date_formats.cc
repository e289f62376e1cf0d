#include "settings/date_formats.h"

namespace kadrel {

const std::array<DateFormatRow, 33> kDateFormats{{
    {"yy-dd-mm_HH-MM-SS", "yy-dd-mm_Hh-Nn-Ss"},
    {"yyyy-dd-mm_HH-MM-SS", "yyyy-dd-mm_Hh-Nn-Ss"},
    {"yy-d-m_H-M-S", "yy-d-m_H-N-S"},
    {"yyyy-d-m_H-M-S", "yyyy-d-m_H-N-S"},
    {"yy-mm-dd_HH-MM-SS", "yy-mm-dd_Hh-Nn-Ss"},
    {"yyyy-mm-dd_HH-MM-SS", "yyyy-mm-dd_Hh-Nn-Ss"},
    {"yy-m-d_H-M-S", "yy-m-d_H-N-S"},
    {"yyyy-m-d_H-M-S", "yyyy-m-d_H-N-S"},
    {"mm-dd-yy_HH-MM-SS", "mm-dd-yy_Hh-Nn-Ss"},
    {"mm-dd-yyyy_HH-MM-SS", "mm-dd-yyyy_Hh-Nn-Ss"},
    {"m-d-yy_H-M-S", "m-d-yy_H-N-S"},
    {"m-d-yyyy_H-M-S", "m-d-yyyy_H-N-S"},
    {"dd-mm-yy_HH-MM-SS", "dd-mm-yy_Hh-Nn-Ss"},
    {"dd-mm-yyyy_HH-MM-SS", "dd-mm-yyyy_Hh-Nn-Ss"},
    {"d-m-yy_HH-MM-SS", "d-m-yy_Hh-Nn-Ss"},
    {"d-m-yyyy_HH-MM-SS", "d-m-yyyy_Hh-Nn-Ss"},
    {"yymmdd_HHMMSS", "yymmdd_HhNnSs"},
    {"yyyymmdd_HHMMSS", "yyyymmdd_HhNnSs"},
    {"yymd_HMS", "yymd_HNS"},
    {"yyyymd_HMS", "yyyymd_HNS"},
    {"mmddyy_HHMMSS", "mmddyy_HhNnSs"},
    {"mmddyyyy_HHMMSS", "mmddyyyy_HhNnSs"},
    {"mdyy_HMS", "mdyy_HNS"},
    {"mdyyyy_HMS", "mdyyyy_HNS"},
    {"ddmmyy_HHMMSS", "ddmmyy_HhNnSs"},
    {"ddmmyyyy_HHMMSS", "ddmmyyyy_HhNnSs"},
    {"dmyy_HHMMSS", "dmyy_HhNnSs"},
    {"dmyyyy_HHMMSS", "dmyyyy_HhNnSs"},
    {"yy-dd-mm", "yy-dd-mm"},
    {"yyyy-dd-mm", "yyyy-dd-mm"},
    {"yy-d-m", "yy-d-m"},
    {"mm-dd-yy_HH-MM-SS-AMPM", "mm-dd-yy_Hh-Nn-Ss-AMPM"},
    {"yy-mm-dd_HH-MM-SS-AMPM", "yy-mm-dd_Hh-Nn-Ss-AMPM"},
}};

// The settings reader has already trimmed the value, so the lookup compares exactly.
std::string formatToPattern(const std::string& name) {
    for (const DateFormatRow& row : kDateFormats)
        if (name == row.name)
            return row.pattern;
    return name;
}

}  // namespace kadrel
