#pragma once

// A file-size limit (ulimit -f) would otherwise end the program by SIGXFSZ in the middle of a
// save and lose the unsaved project; ignored, the write fails with EFBIG and the save reports
// it like any other write error. Called once at start-up, before any file is written.
void ignoreFileSizeSignal();
