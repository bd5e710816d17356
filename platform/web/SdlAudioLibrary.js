// Pieces of emscripten's JavaScript library that SDL's audio code calls without declaring them:
// linking btSdlAudioNeeds (see CMakeLists.txt) brings them in.
mergeInto(LibraryManager.library, {
  btSdlAudioNeeds__deps: ['$autoResumeAudioContext', '$dynCall'],
  btSdlAudioNeeds: function() {},
});
