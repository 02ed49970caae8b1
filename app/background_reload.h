// Under --watch, a saved change reloads the effect in the background: the
// frames go on with the current scene while it compiles, and the finished
// scene takes over at the start of a frame. F5 and F4 rebuild the scene
// within their frame, as they always did, and drop a reload still running.
#pragma once

// At a frame's start: a background reload whose compile is done takes over
// the scene (printing "Load Shader." or the error, as InitScene does).
void TakeOverFinishedReload();

// A saved change to the effect's files starts a background reload, one at
// a time (the watch is not read while one runs).
void StartReloadOnChange();

// Before F5 or F4 rebuild the scene: a background reload is waited for and
// dropped.
void DropBackgroundReload();
