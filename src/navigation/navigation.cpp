// The navigation library's sources sit beside this file, one per concept.
