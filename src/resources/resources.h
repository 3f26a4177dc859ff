#pragma once

// Registers the pictures and style sheets under ":/image/". They live in a
// static library, so each program registers them once before first use; calling
// again does nothing.
void initResources();
