// Placeholder until the enemies are written.
#include "core/Game.h"
#include "enemies/Enemies.h"
namespace molfo {
SutejiClass::SutejiClass(Game& g) : g_(g), s_(g.s) {}
int16_t SutejiClass::SutejiNagasa() { return 7000; }
std::string SutejiClass::HaikeiPicFile() { return "sys\\mainmap1.JPG"; }
int16_t SutejiClass::ZakoShurugenRitu() { s_.ZakoRituNow = 35; return 35; }
void SutejiClass::ToujouZakos() {}
KyaraDataClass::KyaraDataClass(Game& g) : g_(g), s_(g.s) {}
void KyaraDataClass::ZakoShutugenBasho(int16_t) {}
void KyaraDataClass::ZakoData(int16_t, int16_t) {}
void KyaraDataClass::ZakoUgoki(int16_t) {}
TekiDanClass::TekiDanClass(Game& g) : g_(g), s_(g.s) {}
void TekiDanClass::TekidanHasha(int16_t, int16_t, int16_t) {}
void TekiDanClass::TekidanData(int16_t) {}
void ZakoMain(Game&) {}
void TekidanUgoki(Game&) {}
}  // namespace molfo
