#pragma once

// Receives the name of the zip member being looked at; the result of
// extract_recording points into it.
extern char member_name[512];

// Writes the zip's INP member into the working directory under its base name
// and returns that name, or nullptr when nothing was extracted.
const char* extract_recording(const char* zip_path);
