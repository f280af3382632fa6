// Placeholder until the user-interface services land.
