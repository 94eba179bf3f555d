// Linked with one module's every object and the modules below it, and never run: that the link
// succeeds is the check that the module calls nothing above it.
int main() {
    return 0;
}
