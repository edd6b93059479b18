#include "report/visitreport.h"

#include "files/archivefolder.h"

// Kept in the tool's settings file beside the archive folder, shared by the
// window and the command line.
namespace {
const char* const technicianKey = "report/technician";
const char* const siteKey = "report/site";
} // namespace

QString rememberedTechnician()
{
    return toolSetting(technicianKey);
}

QString rememberedSite()
{
    return toolSetting(siteKey);
}

void rememberVisitor(const QString& technician, const QString& site)
{
    setToolSetting(technicianKey, technician);
    setToolSetting(siteKey, site);
}
