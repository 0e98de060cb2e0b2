// WebView2.h asks for the mixed-case name; MinGW ships the header in lower case.
#pragma once
#include <eventtoken.h>
