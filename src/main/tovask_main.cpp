// Placeholder until the run frame lands.
int main() { return 0; }
