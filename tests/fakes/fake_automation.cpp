// Fakes of the platform for the unit tests.
