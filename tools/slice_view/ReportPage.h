#pragma once
// index.html of the report: the summary, the findings of check, the side
// view and the view from above, the layer viewer and the area plot. It
// refers only to the pictures beside it, and its own policy forbids the
// browser to fetch anything else.

#include <string>
#include <vector>

#include <QString>

#include "config/SliceConfig.h"
#include "tools/slice_view/JobText.h"
#include "tools/slice_view/ReportPictures.h"
#include "tools/slice_view/ReportScan.h"

namespace Voxmill {

struct ReportInput {
    QString jobDir;
    SliceConfig config;
    JobGeometry geometry;
    const JobScan& scan;
    const ReportPictures& pictures;
    WaitTimes waits;
    std::vector<int32_t> areas; // areaInfo's counts
};

std::string reportPage(const ReportInput& in);

} // namespace Voxmill
