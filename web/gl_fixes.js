// What Emscripten's legacy GL emulation and its GLUT lack for this program, filled in.
//
// This is an Emscripten JS library (linked with --js-library after the system libraries), so
// the code at file level runs inside the Emscripten compiler, and the functions in the object
// below become the page's functions of the same names. A fix that only adds to the
// emulation keeps the emulation's own function under another name and hands on to it.

// The emulation's own version of a function, under a name our fixes can call.
function keepEmulated(name) {
  var library = LibraryManager.library;
  var kept = 'vorlane_emulated_' + name;
  library[kept] = library[name];
  if (library[name + '__deps']) library[kept + '__deps'] = library[name + '__deps'];
  return kept;
}

mergeInto(LibraryManager.library, {
  // Fix: quad strips. The emulation draws only GL's ES modes and GL_QUADS. A quad strip sends
  // its vertices in the same order and with the same winding as a triangle strip, which
  // draws it as the same two triangles per quad.
  glBegin__deps: [keepEmulated('glBegin')],
  glBegin: function(mode) {
    var GL_QUAD_STRIP = 0x8;
    var GL_TRIANGLE_STRIP = 0x5;
    _vorlane_emulated_glBegin(mode == GL_QUAD_STRIP ? GL_TRIANGLE_STRIP : mode);
  },

  // Fix: the current colour and normal. The emulation packs glBegin/glEnd data in the order
  // the calls come, so it needs every vertex to write the same attributes; it has no
  // current normal at all, and a colour set between two vertices of a strip shifts every
  // later vertex. Here colour and normal are kept as GL's current values, from before any
  // glBegin too, and each vertex writes colour, normal, position. Only glVertex3f carries
  // them, the one vertex call this program makes.
  $currentVertexState: {
    colour: [1, 1, 1, 1], // GL's initial current colour and normal
    normal: [0, 0, 1],
  },
  glColor4f__deps: ['$currentVertexState', keepEmulated('glColor4f')],
  glColor4f: function(r, g, b, a) {
    var colour = currentVertexState.colour; // filled in place: thousands of calls a frame
    colour[0] = r;
    colour[1] = g;
    colour[2] = b;
    colour[3] = a;
    // Outside glBegin/glEnd the emulation keeps the colour for vertex arrays.
    if (GLImmediate.mode < 0) _vorlane_emulated_glColor4f(r, g, b, a);
  },
  glNormal3f__deps: ['$currentVertexState'],
  glNormal3f: function(x, y, z) {
    var normal = currentVertexState.normal;
    normal[0] = x;
    normal[1] = y;
    normal[2] = z;
  },
  glVertex3f__deps: ['$currentVertexState', 'vorlane_emulated_glColor4f',
                     keepEmulated('glNormal3f'), keepEmulated('glVertex3f')],
  glVertex3f: function(x, y, z) {
    var colour = currentVertexState.colour;
    var normal = currentVertexState.normal;
    _vorlane_emulated_glColor4f(colour[0], colour[1], colour[2], colour[3]);
    _vorlane_emulated_glNormal3f(normal[0], normal[1], normal[2]);
    _vorlane_emulated_glVertex3f(x, y, z);
  },

  // Fix: positional lights. The emulation's lighting shader takes every light position as a
  // direction. A light with w = 1 shines from its position, so the direction to it differs
  // at every vertex; the rewritten line gives both kinds (w = 0 leaves the direction as it
  // was). The lighting shader is made when a renderer is first needed, after the first
  // glLightfv, so hooking renderer creation there is in time.
  $positionalLights: {
    installed: false,
    install: function() {
      if (positionalLights.installed) return;
      positionalLights.installed = true;
      var createRenderer = GLImmediate.createRenderer;
      GLImmediate.createRenderer = function() {
        var shaderSource = GLctx.shaderSource;
        GLctx.shaderSource = function(shader, source) {
          shaderSource.call(GLctx, shader, positionalLights.rewrite(source));
        };
        try {
          return createRenderer.apply(this, arguments);
        } finally {
          delete GLctx.shaderSource; // back to WebGL's own method
        }
      };
    },
    rewrite: function(source) {
      return source.replace(/normalize\((u_lightPosition\d+)\)\.xyz/g,
                            'normalize($1.xyz * ecPosition.w - ecPosition.xyz * $1.w)');
    },
  },
  glLightfv__deps: ['$positionalLights', keepEmulated('glLightfv')],
  glLightfv: function(light, pname, params) {
    positionalLights.install();
    _vorlane_emulated_glLightfv(light, pname, params);
  },

  // Fix: the material's emission. The emulation's shader adds an emission colour, but its
  // glMaterialfv throws on GL_EMISSION instead of setting it.
  glMaterialfv__deps: [keepEmulated('glMaterialfv')],
  glMaterialfv: function(face, pname, params) {
    var GL_EMISSION = 0x1600;
    if (pname != GL_EMISSION) return _vorlane_emulated_glMaterialfv(face, pname, params);
    for (var i = 0; i < 4; i++) {
      GLEmulation.materialEmission[i] = {{{ makeGetValue('params', 'i * 4', 'float') }}};
    }
  },

  // Fix: hints WebGL does not have. They are only hints, which GL lets an implementation
  // ignore; passed on, WebGL answers GL_INVALID_ENUM and the program's error check would end
  // it. Any other hint goes to WebGL as before.
  glHint__deps: [keepEmulated('glHint')],
  glHint: function(target, mode) {
    var GL_PERSPECTIVE_CORRECTION_HINT = 0xC50;
    var GL_FOG_HINT = 0xC54;
    if (target >= GL_PERSPECTIVE_CORRECTION_HINT && target <= GL_FOG_HINT) return;
    _vorlane_emulated_glHint(target, mode);
  },

  // Fix: glLightModeli is missing. The emulation has the float form, which keeps
  // GL_LIGHT_MODEL_TWO_SIDE, though its shader lights back faces no differently.
  glLightModeli__deps: ['glLightModelf'],
  glLightModeli: function(pname, param) {
    _glLightModelf(pname, param);
  },

  // Fix: gluErrorString is missing. The same texts as the desktop's GLU, each made once and
  // kept, since the caller never frees them; an unknown code gives a null pointer, as GLU's.
  $errorStrings: {},
  gluErrorString__deps: ['$errorStrings', '$stringToNewUTF8'],
  gluErrorString: function(error) {
    var texts = {
      0x0: 'no error',
      0x500: 'invalid enumerant',
      0x501: 'invalid value',
      0x502: 'invalid operation',
      0x503: 'stack overflow',
      0x504: 'stack underflow',
      0x505: 'out of memory',
      0x506: 'invalid framebuffer operation',
      0x8031: 'table too large',
    };
    if (!(error in texts)) return 0;
    if (!(error in errorStrings)) errorStrings[error] = stringToNewUTF8(texts[error]);
    return errorStrings[error];
  },

  // Fix: glutVisibilityFunc is missing. The page's visibility stands in for the window's:
  // GLUT reports it once the window is first shown (here, once main has handed over to the
  // event loop) and again whenever it changes. A hidden page draws no frames anyway; this
  // also stops the idle callback.
  $visibility: {
    callback: 0,
    listening: false,
    report: function() {
      var GLUT_NOT_VISIBLE = 0;
      var GLUT_VISIBLE = 1;
      var callback = visibility.callback;
      if (!callback || ABORT) return; // none after the program has ended
      var state = document.visibilityState == 'visible' ? GLUT_VISIBLE : GLUT_NOT_VISIBLE;
      callUserCallback(function() {
        {{{ makeDynCall('vi', 'callback') }}}(state);
      });
    },
  },
  glutVisibilityFunc__deps: ['$visibility', '$callUserCallback', '$safeSetTimeout'],
  glutVisibilityFunc: function(callback) {
    visibility.callback = callback;
    if (!visibility.listening) {
      visibility.listening = true;
      document.addEventListener('visibilitychange', visibility.report);
    }
    safeSetTimeout(visibility.report, 0);
  },

  // Fix: exit. The page's runtime is kept alive after main for GLUT's callbacks, and while it
  // is alive exit() only throws: the idle callback and the frames go on. A program that calls
  // exit has ended, so none of its callbacks may run again, the runtime is let go (which
  // also tells the page, through Module.onExit, with the status) and nothing after the call
  // runs.
  exit__deps: ['$GLUT', keepEmulated('exit')],
  exit: function(status) {
    GLUT.idleFunc = GLUT.displayFunc = GLUT.keyboardFunc = GLUT.reshapeFunc = 0;
    noExitRuntime = false;
    _vorlane_emulated_exit(status);
  },
});
