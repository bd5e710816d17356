// ObjectUpdate: what happens to one object in one frame - the object update with its behaviour
// dispatch, the post step and the life-time step of the post pass, weapon firing, movement, player
// control, dynamic scroll, rotation and
// animation stepping. The collision step is in Collision.h.
//
// Everything works in screen pixels per frame. Objects are addressed by index into objectTable;
// callers pass only live indices (0..objectCount of a loaded world).
// Depends on: engine/Biosim.h, sim/Following.h, sim/Actions.h, sim/TitleScreens.h.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Forward.h"

struct WorldObject; // world/ObjectTable.h

namespace sim {

using engine::Biosim;

// One object's update, in the fixed order: screen-switch check, effect-object expiry, visibility
// test of the object and of the object at the same position of collisionList, then (active and on
// screen only) animation autoplay, the behaviour dispatch and the title-screen check.
void objectUpdate(Biosim& e, std::int32_t i);

// Projectiles and fireflies that left the screen end.
void effectExpiry(Biosim& e, std::int32_t i);

// The random flicker and the random turn (run twice per update).
void flickerAndTurn(Biosim& e, std::int32_t i);

// Fires the object's weapon: a free projectile of the kind `useWeapon`, reset from its template.
void fireWeapon(Biosim& e, std::int32_t i);

// Post pass: movement flags back to 1, touch transparency restored, touch rotation decay, sound.
void postStep(Biosim& e, std::int32_t i);

// Post pass: one life-time unit when its timer has run out; the object ends below 1.
void lifeTimeStep(Biosim& e, std::int32_t i);

// Movement: random reversal (non-players), then the moves by player, move logic or both axes.
void movementStep(Biosim& e, std::int32_t i);
void horizontalMove(Biosim& e, std::int32_t i);
void verticalMove(Biosim& e, std::int32_t i);

// Player control: keyboard or joystick steering, then the restriction code.
void playerControl(Biosim& e, std::int32_t i);
void keyboardSteering(Biosim& e, WorldObject& o);

// Scrolls every non-GUI object the other way when the player is near an edge.
void dynamicScroll(Biosim& e, std::int32_t i);

// Turns the object's sprite by its rotation speed (corners set about its centre).
void rotateObject(Biosim& e, std::int32_t i, float w, float h, float angle);

// Animation stepping: the default sequence (autoplay), and the directional ones after moves.
void animDefaultStep(Biosim& e, std::int32_t i);
void animHorizontalStep(Biosim& e, std::int32_t i);
void animVerticalStep(Biosim& e, std::int32_t i);

// True for "" and "NOPE".
bool isNoneText(const std::string& s);

} // namespace sim
