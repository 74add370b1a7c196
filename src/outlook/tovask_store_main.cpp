// Placeholder until the store tool lands.
int main() { return 0; }
