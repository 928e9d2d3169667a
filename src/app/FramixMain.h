#pragma once
// Starts the application: GStreamer, the Qt application object, the main window and the
// message loop. Returns the process exit code.
int FramixMain(int argc, char **argv);

// Sets XDG_RUNTIME_DIR to a private folder of the user when the session has none (before the
// application object exists).
void ensureRuntimeDir();
