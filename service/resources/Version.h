#pragma once

// The service's version: its version resource and its start-up trace line say the same.
#define TELLMARKSVC_VERSION 2, 0, 0, 34
#define TELLMARKSVC_VERSION_TEXT "2.0.0.34"
