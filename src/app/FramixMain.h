#pragma once
// Starts the application: GStreamer, the Qt application object, the main window and the
// message loop. Returns the process exit code.
int FramixMain(int argc, char **argv);
