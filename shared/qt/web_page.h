#pragma once
// The Qt programs' entry to OpenWebPage (rules in shared/web_page.h),
// the site addresses, and the real opener and prompter.
#include "shared/qt/qt_prompter.h"
#include "shared/site.h"
#include "shared/web_page.h"
