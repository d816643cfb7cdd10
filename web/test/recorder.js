// Test builds only (--pre-js): records the OpenGL and GLU calls the program makes, with their
// arguments, from start-up through its first frames, into Module.recordedCalls. It wraps
// the WebAssembly module's imports, so it sees exactly what the compiled C++ passes, before
// the GL emulation or our fixes act on it. glutMainLoop and glutSwapBuffers are kept too, to
// mark where start-up and each frame end.
Module['recordedCalls'] = [];

Module['instantiateWasm'] = function(imports, receiveInstance) {
  var framesToRecord = 2;
  var GL_SHININESS = 0x1601;
  var calls = Module['recordedCalls'];
  var frames = 0;

  function recorded(name, real) {
    return function() {
      if (frames < framesToRecord) {
        var call = [name].concat(Array.prototype.slice.call(arguments));
        // Light and material parameters come by pointer: the values are what counts.
        if (name == 'glLightfv' || name == 'glMaterialfv') {
          var first = arguments[2] >> 2;
          var count = arguments[1] == GL_SHININESS ? 1 : 4;
          call = call.slice(0, 3).concat(Array.from(HEAPF32.subarray(first, first + count)));
        }
        calls.push(call);
      }
      if (name == 'glutSwapBuffers') frames++;
      return real.apply(null, arguments);
    };
  }

  // Optimised builds minify the import names, the module's ("env") too, but not the names
  // of the functions imported; the emulation's replacements carry an emscripten_ prefix.
  Object.keys(imports).forEach(function(module) {
    var functions = imports[module];
    Object.keys(functions).forEach(function(key) {
      var name = functions[key].name.replace(/^_(emscripten_)?/, '');
      if (/^glu?[A-Z]/.test(name) || name == 'glutMainLoop' || name == 'glutSwapBuffers') {
        functions[key] = recorded(name, functions[key]);
      }
    });
  });
  WebAssembly.instantiateStreaming(fetch(wasmBinaryFile), imports).then(function(output) {
    receiveInstance(output['instance'], output['module']);
  });
  return {}; // the exports arrive through receiveInstance
};
