// Live editing: tells the frame when the files the latest effect load read
// (the effect file, every file it included and every image its textures
// name) have changed on disk, so that the scene is rebuilt as if F5 had
// been pressed.
//
// Implemented: [x] Linux inotify on the folders of those files: a file
//                  closed after writing, moved in (an editor's save by
//                  rename) or created there
//              [x] a quiet spell of 100 ms after the last such event before
//                  anything is read, so a save in several steps is one change
//              [x] a file written in place (truncated, written, closed) is
//                  read only after its close, however long the writer takes
//                  (up to 2 s without a further write while it stays open)
//              [x] a change counts only when the bytes differ from what the
//                  latest load read (by size and digest), so the same bytes
//                  never load twice
//              [x] after each load, the folders of that load's files
// Not implemented: files reached through a symbolic link to another folder
// (the link's folder is watched, not the target's), folders that are
// removed and made again while the program runs.
#pragma once

#include "platform/fx/fx.h"
#include "platform/types.h"

// Starts watching. 0 on success; otherwise non-zero, with the reason on
// standard error, and EffectFilesChanged stays FALSE.
HRESULT StartEffectWatch();

// Polled once a frame; never blocks. TRUE when the watched files have been
// quiet for 100 ms after a change, none is still open for writing, and their
// bytes differ from what the latest load read. FALSE while the watch is not
// running.
BOOL EffectFilesChanged();

// Stops watching and releases the inotify descriptor; a load still running
// in the background is waited for and dropped.
void StopEffectWatch();

// A load beside the frames (background_load.cpp): the effect compiles on a
// thread of its own while the frames go on, and is linked on the caller's
// (the device's) thread once it is done. One at a time; GetLoadedFiles and
// EffectFilesChanged are not to be used while one runs.
//
// Starts loading fileName for the device. 0 when started; non-zero when a
// load is already running or the thread cannot start.
HRESULT BeginBackgroundLoad(IDirect3DDevice9* device, const char* fileName,
                            const D3DXMACRO* defines = nullptr);
// TRUE from BeginBackgroundLoad until the load is taken or dropped.
BOOL BackgroundLoadPending();
// TRUE once the pending load's compile is done: taking it waits for no
// compiler. Never blocks; allocates nothing.
BOOL BackgroundLoadReady();
// Waits for the pending load, links it here and hands out its effect and
// text as D3DXCreateEffectFromFileA does, with its result.
HRESULT TakeBackgroundLoad(ID3DXEffect** effect, ID3DXBuffer** errors);
// Waits for the pending load, if any, and throws it away.
void DropBackgroundLoad();
