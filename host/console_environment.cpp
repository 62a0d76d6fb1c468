// Placeholder until the console host lands.
