;;; dap_mode_session.el --- a lucentdebug-dap session driven by Emacs dap-mode -*- lexical-binding: t -*-

;; Run as `emacs -Q --batch -l dap_mode_session.el' with LUCENTDEBUG_DAP,
;; PHP_BINARY, LUCENTDEBUG_MODULE and LUCENTDEBUG_PRELOAD in the environment
;; (CTest sets them).  Launches ../scripts/main.php through dap-mode's own
;; client code: breakpoints set from buffers, the stack and variables that
;; dap-mode fetches, continue, and the end of the script.  Exits 0 when the
;; session went as expected, 1 with a message when not, 77 when dap-mode is
;; not installed.  LUCENTDEBUG_DAP_TRACE=1 prints every message exchanged.

;;; Code:

;; dap-mode and its dependencies keep state under the user's Emacs folder:
;; a temporary one, removed at exit, keeps the user's own out of the test.
(setq user-emacs-directory (file-name-as-directory (make-temp-file "lucentdebug-emacs" t)))
(add-hook 'kill-emacs-hook (lambda () (delete-directory user-emacs-directory t)))
(require 'package)
(add-to-list 'package-directory-list "/usr/share/emacs/site-lisp/elpa")
(package-initialize)
(unless (and (require 'dap-mode nil t) (require 'dap-ui nil t))
  (message "skipped: dap-mode is not installed")
  (kill-emacs 77))

(defconst ld-scripts
  (file-truename (expand-file-name "../scripts/"
                                   (file-name-directory (or load-file-name buffer-file-name)))))
(defconst ld-main (expand-file-name "main.php" ld-scripts))
(defconst ld-helper (expand-file-name "helper.php" ld-scripts))
(defconst ld-step-timeout 20 "Seconds any one step of the session may take.")

(defun ld-fail (format-string &rest args)
  "Print FORMAT-STRING with ARGS and the adapter's stderr, then exit 1."
  (message "FAIL: %s" (apply #'format format-string args))
  (dolist (buffer (buffer-list))
    (when (string-match-p "stderr\\*\\'" (buffer-name buffer))
      (message "%s:\n%s" (buffer-name buffer)
               (with-current-buffer buffer (buffer-string)))))
  (kill-emacs 1))

(defun ld-env (name)
  (let ((value (getenv name)))
    (if (and value (not (string-empty-p value))) value
      (ld-fail "%s is not set (the test runs from CTest)" name))))

(defun ld-wait (what predicate)
  "Serve the adapter's messages until PREDICATE holds; fail after a while doing WHAT."
  (let ((deadline (+ (float-time) ld-step-timeout)))
    (while (not (funcall predicate))
      (when (> (float-time) deadline)
        (ld-fail "timed out waiting for %s" what))
      (accept-process-output nil 0.05))))

(defun ld-expect (what expected actual)
  (unless (equal expected actual)
    (ld-fail "%s: expected %S, got %S" what expected actual)))

(defun ld-breakpoint (file line)
  "Toggle a breakpoint at LINE of FILE as the user would, from its buffer."
  (with-current-buffer (find-file-noselect file)
    (goto-char (point-min))
    (forward-line (1- line))
    (dap-breakpoint-toggle)))

(defun ld-stopped-at (session file line)
  "Wait until SESSION shows the top frame at LINE of FILE; return the frame."
  (ld-wait (format "a stop at %s:%d" (file-name-nondirectory file) line)
           (lambda ()
             (when (eq (dap--debug-session-state session) 'terminated)
               (ld-fail "the session ended before stopping at %s:%d; its output:\n%s"
                        (file-name-nondirectory file) line
                        (with-current-buffer (dap--debug-session-output-buffer session)
                          (buffer-string))))
             (dap--debug-session-active-frame session)))
  (let* ((frame (dap--debug-session-active-frame session))
         (source (gethash "source" frame)))
    (ld-expect "stopped file" file (and source (file-truename (gethash "path" source))))
    (ld-expect "stopped line" line (gethash "line" frame))
    frame))

(defun ld-variables (session reference)
  "Alist of (NAME . VARIABLE) of variables REFERENCE in SESSION."
  (mapcar (lambda (variable) (cons (gethash "name" variable) variable))
          (gethash "variables" (dap-request session "variables"
                                            :variablesReference reference))))

(defun ld-locals (session frame)
  "Alist of the Locals scope of FRAME."
  (let ((scopes (gethash "scopes" (dap-request session "scopes" :frameId (gethash "id" frame)))))
    (ld-variables session (gethash "variablesReference"
                                   (or (seq-find (lambda (scope)
                                                   (equal (gethash "name" scope) "Locals"))
                                                 scopes)
                                       (ld-fail "no Locals scope in %S" scopes))))))

(defun ld-value (variables name)
  (gethash "value" (or (cdr (assoc name variables))
                       (ld-fail "no variable %s among %S" name (mapcar #'car variables)))))

(defun ld-child (children key)
  "The child of KEY among CHILDREN, however the adapter quotes array keys."
  (or (cdr (seq-find (lambda (child) (string-match-p (format "\\_<%s\\_>" key) (car child)))
                     children))
      (ld-fail "no child %s among %S" key (mapcar #'car children))))

(defun ld-continue (session)
  "Continue SESSION's stopped thread, waiting until dap-mode saw it run."
  (dap-continue session (dap--debug-session-thread-id session))
  (ld-wait "the thread to run" (lambda () (null (dap--debug-session-active-frame session)))))

(defun ld-run ()
  (let* ((adapter (ld-env "LUCENTDEBUG_DAP"))
         (preload (getenv "LUCENTDEBUG_PRELOAD"))
         (environment (if (and preload (not (string-empty-p preload)))
                          (list :LD_PRELOAD preload
                                :ASAN_OPTIONS "detect_leaks=0:verify_asan_link_order=0")
                        (make-hash-table))))
    (setq dap-breakpoints-file (expand-file-name "breakpoints" user-emacs-directory)
          dap-print-io (equal (getenv "LUCENTDEBUG_DAP_TRACE") "1")
          dap-inhibit-io nil
          dap-auto-show-output nil)
    (dap-register-debug-provider
     "lucentdebug"
     (lambda (configuration)
       (plist-put configuration :dap-server-path (list adapter))))
    (ld-breakpoint ld-helper 3)
    (ld-breakpoint ld-main 8)
    (dap-debug (list :type "lucentdebug" :request "launch" :name "lucentdebug main.php"
                     :program ld-main :cwd ld-scripts
                     :runtimeExecutable (ld-env "PHP_BINARY") :runtimeArgs ["-n"]
                     :extension (ld-env "LUCENTDEBUG_MODULE") :env environment))
    (let* ((session (or (dap--cur-session) (ld-fail "dap-debug started no session")))
           (frame (ld-stopped-at session ld-helper 3))
           (stack (gethash "stackFrames"
                           (dap-request session "stackTrace"
                                        :threadId (dap--debug-session-thread-id session))))
           (locals (ld-locals session frame)))
      ;; add() called from the loop of main.php, on its first round.
      (ld-expect "frames" 2 (length stack))
      (ld-expect "caller line" 5 (gethash "line" (elt stack 1)))
      (ld-expect "$a" "0" (ld-value locals "$a"))
      (ld-expect "$b" "1" (ld-value locals "$b"))
      ;; Without the breakpoint in add() the next stop is after the loop.
      (ld-breakpoint ld-helper 3)
      (ld-wait "the breakpoint's removal"
               (lambda () (seq-empty-p (gethash ld-helper (dap--debug-session-breakpoints session)))))
      (ld-continue session)
      (setq locals (ld-locals session (ld-stopped-at session ld-main 8)))
      (ld-expect "$total" "15" (ld-value locals "$total"))
      (let* ((nested (cdr (assoc "$nested" locals)))
             (children (ld-variables session (gethash "variablesReference" nested))))
        (ld-expect "$nested count" "7" (gethash "value" (ld-child children "count")))
        (ld-expect "$nested level1 expandable" t
                   (> (gethash "variablesReference" (ld-child children "level1")) 0)))
      (ld-continue session)
      (ld-wait "the end of the session"
               (lambda () (eq (dap--debug-session-state session) 'terminated)))
      (let ((output (with-current-buffer (dap--debug-session-output-buffer session)
                      (buffer-string))))
        (unless (string-match-p "total=15\ndone\n" output)
          (ld-fail "the script's output is missing from %S" output)))))
  (message "PASS: dap-mode session of main.php")
  (kill-emacs 0))

(condition-case err
    (ld-run)
  (error (ld-fail "%s" (error-message-string err))))

;;; dap_mode_session.el ends here
