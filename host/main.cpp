// Placeholder until the console host lands.
int main() { return 0; }
