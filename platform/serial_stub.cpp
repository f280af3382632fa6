// Placeholder until the serial services land.
