// The functions of library_molfo.js, the browser's side of the back end.
#pragma once

extern "C" {
void molfo_web_init(int mute);
void molfo_sleep(int ms);  // yields to the browser (Asyncify)
void molfo_yield();        // yields for as short as the browser allows
int molfo_hidden();
int molfo_take_keys(int* out, int max);
// The w x h picture's rows [top, top + rows) onto the canvas; the rest of
// the canvas stays as it was.
void molfo_present(const unsigned char* rgba, int w, int h, int top, int rows);
void molfo_box_open(int input);
int molfo_box_poll(char* typed, int typedCap, char* composing, int composingCap);
void molfo_box_caret(int on);
void molfo_box_close();
void molfo_audio_init();
void molfo_audio_music(const char* path, int kaisu);
void molfo_audio_stop();
void molfo_audio_effect(const char* path);
void molfo_audio_pause(int paused);
void molfo_audio_volumes(int music, int effect);
void molfo_rank_lock();          // takes the ranking's lock and reads it from storage
void molfo_rank_unlock(int save);  // writes it to storage (when asked) and lets go
void molfo_finished(int status);
void molfo_hold(int pass);  // waits until the page lets the game go on
void molfo_scene(const char* name);
void molfo_frame_started(unsigned tick);
// A replay being watched: the speed the page asks for (1, 2, 4; 0 as fast
// as it goes), and how far it has got, in passes of its whole length.
int molfo_replay_speed();
void molfo_replay_progress(double done, double total);
// The page's data: 1 when the file is in the file system or never will be;
// molfo_need waits (Asyncify) until the page has fetched it.
int molfo_have(const char* path);
void molfo_need(const char* path);
// The pads, read once a frame: four ints a pad (its index, the standard
// mapping's buttons as a mask, the left stick's x and y in -32767..32767).
int molfo_pads(int* out, int max);
// The settings page: whether F1 or the page's button asked for it since the
// last call; while it is open, keys go to it by name instead of the game.
int molfo_settings_wanted();
void molfo_settings_open(int open);
int molfo_settings_key(char* name, int cap);
// The settings kept in the browser's storage, as text, and the page's side
// of them (the scaling, the keys' places).
int molfo_settings_stored(char* text, int cap);
void molfo_settings_store(const char* text);
int molfo_is_key_name(const char* name);
// "name vk slot" a line: which key the page sends as which virtual key.
void molfo_bind_keys(const char* lines);
}
