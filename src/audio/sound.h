// Sound cues through SDL2_mixer.
#pragma once
