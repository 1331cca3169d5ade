// The functions of library_molfo.js, the browser's side of the back end.
#pragma once

extern "C" {
void molfo_web_init(int mute);
void molfo_sleep(int ms);  // yields to the browser (Asyncify)
void molfo_yield();        // yields for as short as the browser allows
int molfo_hidden();
int molfo_take_keys(int* out, int max);
void molfo_present(const unsigned char* rgba, int w, int h);
void molfo_box_open(int input);
int molfo_box_poll(char* typed, int typedCap, char* composing, int composingCap);
void molfo_box_caret(int on);
void molfo_box_close();
void molfo_audio_init();
void molfo_audio_music(const char* path, int kaisu);
void molfo_audio_stop();
void molfo_audio_effect(const char* path);
void molfo_audio_pause(int paused);
void molfo_rank_lock();          // takes the ranking's lock and reads it from storage
void molfo_rank_unlock(int save);  // writes it to storage (when asked) and lets go
void molfo_finished(int status);
void molfo_hold(int pass);  // waits until the page lets the game go on
void molfo_scene(const char* name);
void molfo_frame_started(unsigned tick);
}
