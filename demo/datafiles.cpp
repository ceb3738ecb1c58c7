// Where data files and plug-ins are found: working directory, installed
// folders, program folder.
#include "datafiles.h"

#include "mwblit.h"
#include "mwkernel.h"
#include "mwplugin.h"
#include "mwwin32.h"

namespace {

// The program's folder with a trailing separator; "" when unknown.
std::string programFolder()
{
    char path[4096];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return "";
    const std::string text(path, length);
    const size_t slash = text.find_last_of("/\\");
    return slash == std::string::npos ? "" : text.substr(0, slash + 1);
}

// The installed folder at relative (from the program's folder), with a
// trailing separator; "" when the program's folder is unknown.
std::string installedFolder(const char *relative)
{
    const std::string folder = programFolder();
    return folder.empty() ? "" : folder + relative + "/";
}

bool exists(const std::string &path) { return mwFileExists("datafiles", __LINE__, path.c_str()) != 0; }

bool displayListed() { return mwBlitFindDevice(0, "voodoo") != nullptr; }

} // namespace

std::string findDataFile(const char *name)
{
    for (const std::string &folder :
         {std::string(), installedFolder(LUMENFALL_DATA_FROM_PROGRAM), programFolder()})
        if (exists(folder + name))
            return folder + name;
    return name;
}

void searchPlugins(void)
{
    mwPluginSearch("..\\dll\\*.dll", MW_PLUGIN_CLASS_ANY);
    mwPluginSearch(".\\*.dll", MW_PLUGIN_CLASS_ANY);
    for (const std::string &folder : {installedFolder(LUMENFALL_PLUGINS_FROM_PROGRAM), programFolder()})
        if (!displayListed() && !folder.empty())
            mwPluginSearch((folder + "*.dll").c_str(), MW_PLUGIN_CLASS_ANY);
}
