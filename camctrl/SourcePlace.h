// The source place that error records name: this file's name (without folders) and line.
#pragma once

namespace ky::camctrl {

constexpr const char *FileNameOf(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; ++p)
        if (*p == '/')
            name = p + 1;
    return name;
}

}  // namespace ky::camctrl

#define CAMCTRL_HERE ::ky::camctrl::FileNameOf(__FILE__), __LINE__
