// Keeps the plug-in target non-empty until the module's own sources land.
