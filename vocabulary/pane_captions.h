// The caption of the base pane when no client names the versions.
#pragma once

inline constexpr const char* Base_Version_Caption = "Base version";
