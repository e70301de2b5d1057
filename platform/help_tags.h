// Help tags: the tooltips of every window, switched on or off for the whole program, after a delay.
#pragma once

// Off swallows every tooltip; on shows them once the pointer has rested for delayMs. May be called again
// whenever the preference changes.
void SetHelpTags(bool on, int delayMs);
