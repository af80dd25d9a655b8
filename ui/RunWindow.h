#pragma once

class CGrabberApp;

// Runs the station's main window until it closes; returns the event loop's result.
int RunStationWindow(CGrabberApp& app, int argc, char** argv);
