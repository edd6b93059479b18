// Text-table entries of the download archive, in one place.
#pragma once

constexpr int textArchiveFailed = 158;  // followed by the reason
constexpr int textArchivedIn = 159;     // followed by the folder and name
